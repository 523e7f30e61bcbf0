#include "artifact_format/v4_format_error.h"

#include <cstdio>
#include <utility>

namespace BlocklistV4Format {

V4FormatError V4FormatError::truncated(std::uint64_t expected, std::uint64_t got) {
  return {{Case::truncated, expected, got, ""},
          "truncated artifact: needed " + std::to_string(expected) + " bytes, have " +
              std::to_string(got)};
}

V4FormatError V4FormatError::badMagic(std::uint32_t value) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(value));
  return {{Case::badMagic, value, 0, ""},
          std::string("bad magic 0x") + hex + ", expected 0x4B56424C (\"KVBL\")"};
}

V4FormatError V4FormatError::unsupportedVersion(std::uint32_t version) {
  return {{Case::unsupportedVersion, version, 0, ""},
          "unsupported format version " + std::to_string(version) + ", expected 4"};
}

V4FormatError V4FormatError::groupCountExceedsFormat(std::uint64_t count) {
  return {{Case::groupCountExceedsFormat, count, 0, ""},
          "group count " + std::to_string(count) +
              " exceeds the u16 group-id ceiling of 65535. 0xFFFF is reserved and never "
              "emitted. Widen groupId before proceeding."};
}

V4FormatError V4FormatError::fanoutExceedsFormat(std::string node, std::uint64_t children) {
  std::string description = "node " + node + " has " + std::to_string(children) +
                            " children; flags bits 1-7 hold at most 127";
  return {{Case::fanoutExceedsFormat, children, 0, std::move(node)}, std::move(description)};
}

V4FormatError V4FormatError::fragmentTooLong(std::uint64_t length) {
  return {{Case::fragmentTooLong, length, 0, ""},
          "path fragment of " + std::to_string(length) + " bytes exceeds the u8 fragLen field"};
}

V4FormatError V4FormatError::corruptTrie(std::string text) {
  std::string description = "corrupt trie: " + text;
  return {{Case::corruptTrie, 0, 0, std::move(text)}, std::move(description)};
}

}  // namespace BlocklistV4Format
