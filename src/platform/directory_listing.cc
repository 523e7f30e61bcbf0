#include "platform/directory_listing.h"

#include <dirent.h>

#include <cstring>

namespace veltra::platform {

std::vector<std::string> listDirectory(const std::string& path, std::size_t maxEntries) {
  std::vector<std::string> names;
  DIR* folder = ::opendir(path.c_str());
  if (folder == nullptr) return names;
  while (names.size() < maxEntries) {
    const dirent* entry = ::readdir(folder);
    if (entry == nullptr) break;
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    names.emplace_back(entry->d_name);
  }
  ::closedir(folder);
  return names;
}

}  // namespace veltra::platform
