// The one error type of the V4 artifact format, shared by the readers and the builders.
#pragma once

#include <cstdint>
#include <string>

#include "artifact_format/case_payload.h"
#include "core/typed_error.h"

namespace BlocklistV4Format {

enum class V4FormatErrorCase {
  truncated,
  badMagic,
  unsupportedVersion,
  groupCountExceedsFormat,
  fanoutExceedsFormat,
  fragmentTooLong,
  corruptTrie,
};

// A typed failure of decoding or building a V4 artifact. Value type; description() is fixed
// wording assembled from the payload. Equal when the case and every payload value are equal.
class V4FormatError : public veltra::TypedError<V4FormatError, CasePayload<V4FormatErrorCase>> {
 public:
  using Case = V4FormatErrorCase;

  // Returns "truncated artifact: needed N bytes, have M".
  static V4FormatError truncated(std::uint64_t expected, std::uint64_t got);
  // Returns the error for a file whose first four bytes are not the signature.
  static V4FormatError badMagic(std::uint32_t value);
  // Returns the error for a version other than 4.
  static V4FormatError unsupportedVersion(std::uint32_t version);
  // Returns the error for more distinct groups than a u16 group id can name.
  static V4FormatError groupCountExceedsFormat(std::uint64_t count);
  // Returns the error for a trie node with more children than its flags byte holds.
  static V4FormatError fanoutExceedsFormat(std::string node, std::uint64_t children);
  // Returns the error for a path fragment longer than its u8 length field.
  static V4FormatError fragmentTooLong(std::uint64_t length);
  // Returns "corrupt trie: " followed by `text`.
  static V4FormatError corruptTrie(std::string text);

 private:
  using TypedError::TypedError;
};

}  // namespace BlocklistV4Format
