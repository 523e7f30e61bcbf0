#include "artifact_format/v4_writer.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

#include "artifact_format/v4_input_error.h"

namespace BlocklistV4Format {
namespace {

constexpr std::size_t kMaxCategoryID = 65535;
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::uint64_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();

// Returns the categories in ascending id order after checking what the table can store.
std::vector<CategoryEntry> checkedCategories(const std::vector<CategoryEntry>& categories) {
  if (categories.size() > CategorySet::kSlotCount) {
    throw V4InputError::tooManyCategories(categories.size());
  }
  std::unordered_set<std::int64_t> seen;
  for (const CategoryEntry& entry : categories) {
    if (entry.id < 0 || static_cast<std::uint64_t>(entry.id) > kMaxCategoryID) {
      throw V4InputError::categoryIDOutOfRange(entry.id);
    }
    if (entry.name.size() > kMaxNameBytes) {
      throw V4InputError::categoryNameTooLong(entry.id, entry.name.size());
    }
    if (!seen.insert(entry.id).second) throw V4InputError::duplicateCategoryID(entry.id);
  }
  std::vector<CategoryEntry> sorted = categories;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const CategoryEntry& a, const CategoryEntry& b) { return a.id < b.id; });
  return sorted;
}

// Throws slotOutOfRange for the smallest key whose set names a slot without a category.
void checkSlots(const CategorySetMap& map, std::string_view kind, std::size_t categoryCount) {
  std::optional<std::size_t> worst;
  for (std::size_t i = 0; i < map.size(); ++i) {
    if (map.set(i).highestSlot() < static_cast<int>(categoryCount)) continue;
    if (!worst || map.key(i) < map.key(*worst)) worst = i;
  }
  if (worst) {
    throw V4InputError::slotOutOfRange(std::string(kind) + " " + std::string(map.key(*worst)),
                                       static_cast<std::uint64_t>(map.set(*worst).highestSlot()),
                                       categoryCount);
  }
}

void checkInput(const V4Writer::Input& input, std::size_t categoryCount) {
  checkSlots(input.exactDomains, "exact domain", categoryCount);
  checkSlots(input.wildcardSuffixes, "wildcard suffix", categoryCount);
  if (input.exactDomains.size() > kMaxU32) {
    throw V4InputError::countExceedsFormat("exactDomainCount", input.exactDomains.size());
  }
  if (input.wildcardSuffixes.size() > kMaxU32) {
    throw V4InputError::countExceedsFormat("wildcardDomainCount", input.wildcardSuffixes.size());
  }
  std::uint64_t exactBound =
      RadixTrieBuilder::maxImageBytes(input.exactDomains.size(), input.exactDomains.keyBytes());
  std::uint64_t wildcardBound = RadixTrieBuilder::maxImageBytes(
      input.wildcardSuffixes.size(),
      input.wildcardSuffixes.keyBytes() + input.wildcardSuffixes.size());
  for (std::uint64_t bound : {exactBound, wildcardBound}) {
    if (bound > kMaxU32) throw V4InputError::imageTooLarge(bound);
  }
}

// Numbers the effective sets of all keys; counts how many keys carry each.
class EffectiveSets {
 public:
  std::uint32_t add(const CategorySet& set) {
    auto [it, inserted] = index_.try_emplace(set, static_cast<std::uint32_t>(sets_.size()));
    if (inserted) {
      sets_.push_back(set);
      counts_.push_back(0);
    }
    counts_[it->second] += 1;
    return it->second;
  }
  const std::vector<CategorySet>& sets() const { return sets_; }
  const std::vector<std::uint64_t>& counts() const { return counts_; }

 private:
  std::unordered_map<CategorySet, std::uint32_t> index_;
  std::vector<CategorySet> sets_;
  std::vector<std::uint64_t> counts_;
};

// Returns `set` united with the sets of every suffix equal to one of `name`'s candidates: `name`
// itself (when `includeSelf`) and what is left after each removal up to and including a ".".
CategorySet coveredSet(std::string_view name, CategorySet set, const CategorySetMap& suffixes,
                       bool includeSelf) {
  std::string_view candidate = name;
  if (!includeSelf) {
    std::size_t dot = candidate.find('.');
    if (dot == std::string_view::npos) return set;
    candidate.remove_prefix(dot + 1);
  }
  while (true) {
    if (std::optional<std::size_t> found = suffixes.find(candidate)) {
      set.formUnion(suffixes.set(*found));
    }
    std::size_t dot = candidate.find('.');
    if (dot == std::string_view::npos) return set;
    candidate.remove_prefix(dot + 1);
  }
}

// Returns the sorted table of the suffixes' reversed dotted keys.
SortedKeyTable wildcardKeyTable(const CategorySetMap& wildcard,
                                const std::vector<std::uint32_t>& setOf,
                                const std::vector<std::uint16_t>& groupOf) {
  veltra::Bytes reversed;
  reversed.reserve(wildcard.keyBytes() + wildcard.size());
  std::vector<std::size_t> starts{0};
  starts.reserve(wildcard.size() + 1);
  for (std::size_t i = 0; i < wildcard.size(); ++i) {
    std::string_view suffix = wildcard.key(i);
    reversed.insert(reversed.end(), suffix.rbegin(), suffix.rend());
    reversed.push_back('.');
    starts.push_back(reversed.size());
  }
  return SortedKeyTable::build(
      wildcard.size(),
      [&](std::size_t i) {
        return veltra::ByteView(reversed).subspan(starts[i], starts[i + 1] - starts[i]);
      },
      [&](std::size_t i) { return groupOf[setOf[i]]; });
}

}  // namespace

veltra::Bytes V4Writer::reversedDottedKey(std::string_view suffix) {
  veltra::Bytes key(suffix.rbegin(), suffix.rend());
  key.push_back(static_cast<std::uint8_t>('.'));
  return key;
}

SummaryFields V4Writer::Result::summaryFields() const {
  return {{"byteCount", std::to_string(bytes.size())},
          {"categoryCount", std::to_string(header.categoryCount)},
          {"groupCount", std::to_string(header.groupCount)},
          {"exactDomainCount", std::to_string(header.exactDomainCount)},
          {"wildcardDomainCount", std::to_string(header.wildcardDomainCount)}};
}

V4Writer::Result V4Writer::write(const Input& input) {
  const std::vector<CategoryEntry> categories = checkedCategories(input.categories);
  checkInput(input, categories.size());
  const CategorySetMap& exact = input.exactDomains;
  const CategorySetMap& wildcard = input.wildcardSuffixes;
  const bool hasSuffixes = !wildcard.empty();

  EffectiveSets effective;
  std::vector<std::uint32_t> exactSet(exact.size());
  for (std::size_t i = 0; i < exact.size(); ++i) {
    exactSet[i] = effective.add(hasSuffixes ? coveredSet(exact.key(i), exact.set(i), wildcard, true)
                                            : exact.set(i));
  }
  std::vector<std::uint32_t> wildcardSet(wildcard.size());
  for (std::size_t i = 0; i < wildcard.size(); ++i) {
    wildcardSet[i] = effective.add(coveredSet(wildcard.key(i), wildcard.set(i), wildcard, false));
  }

  CategorySetInterner interner;
  for (std::size_t k = 0; k < effective.sets().size(); ++k) {
    interner.record(effective.sets()[k], effective.counts()[k]);
  }
  Result result;
  result.groupTable = interner.build();
  std::vector<std::uint16_t> groupOf(effective.sets().size());
  for (std::size_t k = 0; k < groupOf.size(); ++k) {
    groupOf[k] = *result.groupTable.id(effective.sets()[k]);
  }

  const std::size_t rowWidth = CategorySet::rowWidth(categories.size());
  SortedKeyTable exactKeys = SortedKeyTable::build(
      exact.size(), [&](std::size_t i) { return veltra::asBytes(exact.key(i)); },
      [&](std::size_t i) { return groupOf[exactSet[i]]; });
  exactSet = {};
  const std::uint64_t exactImageSize = RadixTrieBuilder::imageSize(exactKeys);
  SortedKeyTable wildcardKeys = wildcardKeyTable(wildcard, wildcardSet, groupOf);
  wildcardSet = {};
  const std::uint64_t wildcardImageSize = RadixTrieBuilder::imageSize(wildcardKeys);

  V4Header& header = result.header;
  const std::size_t groupCount = result.groupTable.count();
  veltra::Bytes& bytes = result.bytes;
  bytes.reserve(V4Header::kByteCount + 24 * categories.size() + groupCount * rowWidth +
                exactImageSize + wildcardImageSize);
  bytes.assign(V4Header::kByteCount, 0);
  appendCategoryTable(bytes, categories);
  header.groupTableOffset = bytes.size();
  for (const CategorySet& set : result.groupTable.sets) set.appendRow(bytes, rowWidth);
  header.exactTrieOffset = bytes.size();
  result.exactStats = RadixTrieBuilder::appendImage(exactKeys, bytes);
  exactKeys = {};
  header.wildcardTrieOffset = bytes.size();
  result.wildcardStats = RadixTrieBuilder::appendImage(wildcardKeys, bytes);
  header.totalFileSize = bytes.size();

  if (!exact.empty()) header.flags.insert(V4Header::Flags::hasExactTrie());
  if (hasSuffixes) header.flags.insert(V4Header::Flags::hasWildcardTrie());
  if (groupCount != 0) header.flags.insert(V4Header::Flags::hasGroupTable());
  header.categoryCount = static_cast<std::uint32_t>(categories.size());
  header.exactDomainCount = static_cast<std::uint32_t>(exact.size());
  header.wildcardDomainCount = static_cast<std::uint32_t>(wildcard.size());
  header.groupCount = static_cast<std::uint32_t>(groupCount);
  veltra::Bytes headerBytes = header.encoded();
  std::copy(headerBytes.begin(), headerBytes.end(), bytes.begin());
  return result;
}

}  // namespace BlocklistV4Format
