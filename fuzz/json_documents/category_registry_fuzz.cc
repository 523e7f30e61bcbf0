// Decodes arbitrary bytes as a category registry and validates it: decoding gives a registry
// or RegistryDecodingError, validation passes or throws RegistryError, and nothing else.
#include <cstddef>
#include <cstdint>

#include "artifact_format/category_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace BlocklistV4Format;
  try {
    CategoryRegistry registry = CategoryRegistry::decode(veltra::ByteView(data, size));
    registry.validate();
  } catch (const RegistryDecodingError&) {
  } catch (const RegistryError&) {
  }
  return 0;
}
