#include "platform/bundle_info.h"

#include <plist/plist.h>

#include <cstdlib>
#include <limits>

#include "platform/files.h"

namespace veltra::platform {

std::optional<std::string> bundleInfoString(const std::string& bundlePath, const std::string& key) {
  auto bytes = readFileIfPresent(joinPath(bundlePath, "Contents/Info.plist"));
  if (!bytes || bytes->empty() || bytes->size() > std::numeric_limits<std::uint32_t>::max())
    return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(reinterpret_cast<const char*>(bytes->data()),
                    static_cast<std::uint32_t>(bytes->size()), &root);
  if (root == nullptr) return std::nullopt;
  std::optional<std::string> result;
  if (plist_get_node_type(root) == PLIST_DICT) {
    plist_t item = plist_dict_get_item(root, key.c_str());
    if (item != nullptr && plist_get_node_type(item) == PLIST_STRING) {
      char* text = nullptr;
      plist_get_string_val(item, &text);
      if (text != nullptr) {
        result = std::string(text);
        std::free(text);
      }
    }
  }
  plist_free(root);
  return result;
}

}  // namespace veltra::platform
