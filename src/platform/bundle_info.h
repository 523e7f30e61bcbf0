// Reading an application bundle's information dictionary (Contents/Info.plist).
#pragma once

#include <optional>
#include <string>

namespace veltra::platform {

// Returns the text under `key` in the bundle's Info.plist (XML or binary), or nothing when the
// bundle, the dictionary or a text entry is missing.
std::optional<std::string> bundleInfoString(const std::string& bundlePath, const std::string& key);

}  // namespace veltra::platform
