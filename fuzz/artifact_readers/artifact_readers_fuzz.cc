// Opens arbitrary bytes as a V4 artifact with both readers and checks that they give the same
// answers: whether and how opening fails, the decoded header and tables, and for every probe
// domain its group, categories, registry ids and verdicts through the in-memory reader, the
// mapped reader's text lookups and its keyed lookups (caller-built keys). Any disagreement
// aborts. Nothing may read outside the bytes, crash or loop.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "artifact_format/domain_keys.h"
#include "artifact_format/utf8.h"
#include "artifact_format/v4_format_error.h"
#include "artifact_format/v4_mapped_reader.h"
#include "artifact_format/v4_reader.h"

namespace {

using namespace BlocklistV4Format;

const char* const kProbes[] = {
    "", "a", "com", "example.com", "a.b.c.d", "x.doubleclick.net", "localhost", "\xFF\x00\x80"};

// The most enumerated exact domains probed per input, and the enumeration calls compared.
constexpr std::size_t kMaxEnumerated = 64;

// Stops the run on a disagreement; libFuzzer keeps the input as a crash reproducer.
void expect(bool agree) {
  if (!agree) std::abort();
}

// Opens `reader` over `bytes`; returns the error when opening fails.
template <typename Reader>
std::optional<V4FormatError> open(std::optional<Reader>& reader, veltra::ByteView bytes) {
  try {
    reader.emplace(bytes);
  } catch (const V4FormatError& error) {
    return error;
  }
  return std::nullopt;
}

// The most trie nodes tablesAreOrdered() visits; a file of a few KiB has far fewer.
constexpr std::size_t kMaxVisitedNodes = 1 << 14;

// Tells whether every child table reachable from `root` lies within the bytes and has strictly
// ascending key bytes, as the format requires (layout in v4_header.h). The readers search child
// tables in different ways (linear with an early exit, counting the smaller keys, matching every
// byte at once), so on a table out of order or cut by the end of the file they can find
// different children; their answers are compared only when this holds. False when the walk
// needs more than kMaxVisitedNodes visits.
bool tablesAreOrdered(veltra::ByteView bytes, std::uint64_t root) {
  std::vector<std::uint64_t> pending{root};
  std::size_t visited = 0;
  while (!pending.empty()) {
    if (++visited > kMaxVisitedNodes) return false;
    const std::uint64_t p = pending.back();
    pending.pop_back();
    if (p >= bytes.size() || bytes.size() - p < 2) continue;  // a miss for every reader
    const std::uint8_t flags = bytes[p];
    const std::uint64_t table = p + 2 + bytes[p + 1] + ((flags & 1) ? 2 : 0);
    const std::uint64_t children = flags >> 1;
    if (children == 0) continue;
    if (table > bytes.size() || (bytes.size() - table) / 5 < children) return false;
    for (std::uint64_t i = 0; i < children; ++i) {
      const std::uint64_t entry = table + 5 * i;
      if (i > 0 && bytes[entry - 5] >= bytes[entry]) return false;
      const std::uint64_t offset =
          std::uint64_t{bytes[entry + 1]} | std::uint64_t{bytes[entry + 2]} << 8 |
          std::uint64_t{bytes[entry + 3]} << 16 | std::uint64_t{bytes[entry + 4]} << 24;
      pending.push_back(entry + 1 + offset);
    }
  }
  return true;
}

// A category selection and both readers' verdict bitmap for it (checked equal).
struct Verdict {
  CategorySet selection;
  VerdictBitmap bitmap;
};

// Every category, none, the first slot alone and every other slot.
std::vector<Verdict> verdicts(const V4Reader& reader, const V4MappedReader& mapped) {
  std::vector<Verdict> out;
  for (std::uint64_t bits :
       {~std::uint64_t{0}, std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{0x5555555555555555}}) {
    CategorySet selection(bits);
    VerdictBitmap bitmap = reader.verdictBitmap(selection);
    expect(mapped.verdictBitmap(selection) == bitmap);
    out.push_back({selection, bitmap});
  }
  return out;
}

void compareTables(const V4Reader& reader, const V4MappedReader& mapped) {
  expect(reader.header() == mapped.header());
  expect(reader.categoryTable() == mapped.categoryTable());
  expect(reader.groupTable() == mapped.groupTable());
  expect(reader.summaryFields() == mapped.summaryFields());
  expect(reader.idsBySlot() == mapped.idsBySlot());
  expect(reader.wildcardTrie().has_value() == mapped.wildcardTrie().has_value());
}

// Compares the lookups of `domain`; across the two readers only when `ordered` (see
// tablesAreOrdered), else only each reader's lookups with each other.
void compareLookups(const V4Reader& reader, const V4MappedReader& mapped,
                    const std::vector<Verdict>& verdicts, std::string_view domain, bool ordered) {
  const veltra::ByteView exactKey = veltra::asBytes(domain);
  const ReversedDottedKey reversed(domain);
  const std::optional<std::uint16_t> mappedGroup = mapped.groupID(domain);
  expect(mapped.groupID(exactKey, reversed.bytes()) == mappedGroup);
  for (const Verdict& verdict : verdicts) {
    const bool blocked = mapped.isBlocked(domain, verdict.bitmap);
    expect(mapped.isBlocked(exactKey, reversed.bytes(), verdict.bitmap) == blocked);
    expect(mapped.isBlocked(domain, verdict.selection) == blocked);
    expect(reader.isBlocked(domain, verdict.selection) == reader.isBlocked(domain, verdict.bitmap));
  }
  if (!ordered) return;

  const std::optional<std::uint16_t> group = reader.groupID(domain);
  expect(mappedGroup == group);

  const std::optional<std::uint16_t> exact = reader.exactTrie().lookupExact(exactKey);
  expect(mapped.exactTrie().lookupExact(exactKey) == exact);
  expect(mapped.exactGroupID(exactKey) == exact);
  if (reader.wildcardTrie()) {
    expect(mapped.wildcardTrie()->lookupLongestPrefix(reversed.bytes()) ==
           reader.wildcardTrie()->lookupLongestPrefix(reversed.bytes()));
  }

  expect(mapped.categories(domain) == reader.categories(domain));
  expect(mapped.registryIDs(domain) == reader.registryIDs(domain));
  for (const Verdict& verdict : verdicts) {
    expect(mapped.isBlocked(domain, verdict.bitmap) == reader.isBlocked(domain, verdict.bitmap));
  }
}

// Returns the first exact domains in enumeration order, checking that the text and the byte
// enumerations visit the same domains with the same groups.
std::vector<std::string> enumeratedDomains(const V4MappedReader& mapped) {
  std::vector<std::pair<std::string, std::uint16_t>> texts;
  mapped.forEachExactDomain([&](const std::string& domain, std::uint16_t group) {
    texts.emplace_back(domain, group);
    return texts.size() < kMaxEnumerated;
  });
  std::vector<std::pair<std::string, std::uint16_t>> bytes;
  mapped.forEachExactBytes([&](veltra::ByteView domain, std::uint16_t group) {
    bytes.emplace_back(decodeUTF8Lossy(domain), group);
    return bytes.size() < kMaxEnumerated;
  });
  expect(texts == bytes);
  std::vector<std::string> domains;
  for (auto& [domain, group] : texts) domains.push_back(std::move(domain));
  return domains;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  veltra::ByteView bytes(data, size);
  std::optional<V4Reader> reader;
  std::optional<V4MappedReader> mapped;
  std::optional<V4FormatError> arrayError = open(reader, bytes);
  std::optional<V4FormatError> mappedError = open(mapped, bytes);
  expect(mappedError == arrayError);  // both open the file, or both fail the same way
  if (arrayError) return 0;

  compareTables(*reader, *mapped);
  const V4Header& header = reader->header();
  const bool ordered =
      tablesAreOrdered(bytes, header.exactTrieOffset) &&
      (!reader->wildcardTrie() || tablesAreOrdered(bytes, header.wildcardTrieOffset));
  const std::vector<Verdict> selections = verdicts(*reader, *mapped);
  for (const char* probe : kProbes) compareLookups(*reader, *mapped, selections, probe, ordered);
  for (const std::string& domain : enumeratedDomains(*mapped)) {
    compareLookups(*reader, *mapped, selections, domain, ordered);
    compareLookups(*reader, *mapped, selections, "sub." + domain, ordered);
  }
  return 0;
}
