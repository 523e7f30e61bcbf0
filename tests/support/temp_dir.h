// A temporary folder for one test, removed with everything in it at the end.
#pragma once

#include <string>
#include <string_view>

namespace veltra::testing {

// Owns a fresh folder under the temporary directory; removes it recursively when destroyed.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // Returns the path of `name` inside the folder.
  std::string file(std::string_view name) const;
  // Writes `content` to `name` inside the folder and returns its path.
  std::string write(std::string_view name, std::string_view content) const;
  // Returns the content of `name` inside the folder ("" when absent).
  std::string read(std::string_view name) const;

 private:
  std::string path_;
};

}  // namespace veltra::testing
