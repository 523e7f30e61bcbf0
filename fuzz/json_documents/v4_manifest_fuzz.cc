// Decodes arbitrary bytes as a V4 manifest: either a manifest or json::DecodingError, and a
// decoded manifest survives its own encoding unchanged.
#include <cstddef>
#include <cstdint>

#include "artifact_client/v4_manifest.h"
#include "core/json_fields.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using BlocklistV4Client::V4Manifest;
  V4Manifest manifest;
  try {
    manifest = V4Manifest::decode(veltra::ByteView(data, size));
  } catch (const veltra::json::DecodingError&) {
    return 0;
  }
  std::string text = manifest.encode();
  veltra::fuzzing::check(V4Manifest::decode(veltra::asBytes(text)) == manifest,
                         "an encoded manifest decodes to itself");
  for (const auto& block : manifest.blocks) {
    if (!block.range.empty()) (void)manifest.blockName(block.range[0]);
  }
  for (const auto& [child, parent] : manifest.parentByChild()) (void)manifest.childKeys(parent);
  return 0;
}
