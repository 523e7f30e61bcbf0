// Listing the entries of one folder.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace veltra::platform {

// Returns the names of the entries directly in the folder at `path` (not "." or ".."), in the
// order the file system gives them, at most `maxEntries` of them, so a folder stuffed with
// entries costs bounded time and memory. Subfolders are listed, never entered. Returns nothing
// (an empty list) when the folder cannot be read.
std::vector<std::string> listDirectory(const std::string& path, std::size_t maxEntries);

}  // namespace veltra::platform
