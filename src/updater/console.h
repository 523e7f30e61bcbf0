// Where the updater's human-readable lines go: standard output in production.
#pragma once

#include <string>
#include <string_view>

namespace veltra::updater {

// Receives the updater's progress text. Implementations must be thread-safe.
class Console {
 public:
  virtual ~Console() = default;
  // Writes `text` as it is (the caller includes newlines).
  virtual void print(std::string_view text) = 0;
  // Writes `text` and a newline.
  void line(std::string_view text) { print(std::string(text) + "\n"); }
  // Writes "[VeltraUpdater] " + `text` and a newline.
  void say(std::string_view text) { line("[VeltraUpdater] " + std::string(text)); }
  // Returns the console over standard output, flushed after every write.
  static Console& standardOutput();
};

}  // namespace veltra::updater
