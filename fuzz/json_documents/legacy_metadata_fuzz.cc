// Decodes arbitrary bytes as legacy blocklist metadata: either a record or json::DecodingError,
// and a decoded record survives its own encoding unchanged.
#include <cstddef>
#include <cstdint>

#include "core/json_fields.h"
#include "fuzz_check.h"
#include "updater/blocklist_metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using veltra::updater::BlocklistMetadata;
  BlocklistMetadata metadata;
  try {
    metadata = BlocklistMetadata::decode(veltra::ByteView(data, size));
  } catch (const veltra::json::DecodingError&) {
    return 0;
  }
  std::string text = metadata.encode();
  veltra::fuzzing::check(BlocklistMetadata::decode(veltra::asBytes(text)) == metadata,
                         "encoded metadata decodes to itself");
  return 0;
}
