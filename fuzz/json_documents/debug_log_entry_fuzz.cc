// Decodes arbitrary bytes as a debug log entry: either an entry or DebugLogDecodingError, and
// a decoded entry survives its own encoding, as a tree and as text, unchanged.
#include <cstddef>
#include <cstdint>

#include "debug_log/debug_log_entry.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veltra::debuglog;
  DebugLogEntry entry;
  try {
    entry = DebugLogEntry::decode(veltra::ByteView(data, size));
  } catch (const DebugLogDecodingError&) {
    return 0;
  }
  nlohmann::ordered_json encoded = entry.encode();
  veltra::fuzzing::check(DebugLogEntry::decode(encoded) == entry,
                         "an encoded entry decodes to itself");
  std::string text = encoded.dump();
  veltra::fuzzing::check(DebugLogEntry::decode(veltra::asBytes(text)) == entry,
                         "the text of an encoded entry decodes to itself");
  return 0;
}
