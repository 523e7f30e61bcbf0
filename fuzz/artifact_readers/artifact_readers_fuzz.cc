// Opens arbitrary bytes as a V4 artifact with both readers, then runs lookups and the
// enumeration. Both readers must agree on whether and how opening fails; nothing may read
// outside the bytes, crash or loop.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "artifact_format/v4_format_error.h"
#include "artifact_format/v4_mapped_reader.h"
#include "artifact_format/v4_reader.h"

namespace {

using namespace BlocklistV4Format;

const char* const kProbes[] = {
    "", "a", "com", "example.com", "a.b.c.d", "x.doubleclick.net", "localhost", "\xFF\x00\x80"};

std::optional<std::string> openingError(veltra::ByteView bytes) {
  try {
    V4MappedReader reader(bytes);
  } catch (const V4FormatError& error) {
    return error.description();
  }
  return std::nullopt;
}

void exercise(const V4MappedReader& mapped, const V4Reader& reader, std::string_view domain) {
  VerdictBitmap all = mapped.verdictBitmap(CategorySet(~std::uint64_t{0}));
  (void)mapped.isBlocked(domain, all);
  (void)reader.isBlocked(domain, all);
  (void)mapped.registryIDs(domain);
  (void)reader.categories(domain);
  (void)mapped.exactGroupID(veltra::asBytes(domain));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  veltra::ByteView bytes(data, size);
  std::optional<std::string> mappedError = openingError(bytes);
  std::optional<std::string> arrayError;
  try {
    V4Reader reader(bytes);
    if (mappedError) std::abort();  // only one reader opened the file
    V4MappedReader mapped(bytes);
    for (const char* probe : kProbes) exercise(mapped, reader, probe);
    std::vector<std::string> domains;
    mapped.forEachExactDomain([&](const std::string& domain, std::uint16_t) {
      if (domains.size() < 64) domains.push_back(domain);
      return true;
    });
    int calls = 0;
    mapped.forEachExactBytes([&](veltra::ByteView, std::uint16_t) { return ++calls < 3; });
    for (const std::string& domain : domains) {
      exercise(mapped, reader, domain);
      exercise(mapped, reader, "sub." + domain);
    }
  } catch (const V4FormatError& error) {
    arrayError = error.description();
    if (mappedError != arrayError) std::abort();  // the readers disagree on the failure
  }
  return 0;
}
