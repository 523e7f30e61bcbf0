#include "artifact_format/v4_reader.h"

#include "artifact_format/domain_keys.h"

namespace BlocklistV4Format {
namespace {

std::shared_ptr<const veltra::Bytes> copyOf(veltra::ByteView data) {
  return std::make_shared<const veltra::Bytes>(data.begin(), data.end());
}

}  // namespace

V4Reader::V4Reader(veltra::ByteView data) : V4Reader(copyOf(data)) {}

V4Reader::V4Reader(std::shared_ptr<const veltra::Bytes> bytes)
    : opened_(openArtifact(*bytes)), exactTrie_(bytes, opened_.header.exactTrieOffset) {
  if (opened_.header.flags.contains(V4Header::Flags::hasWildcardTrie())) {
    wildcardTrie_.emplace(bytes, opened_.header.wildcardTrieOffset);
  }
}

std::optional<std::uint16_t> V4Reader::groupID(std::string_view domain) const {
  if (std::optional<std::uint16_t> exact = exactTrie_.lookupExact(veltra::asBytes(domain))) {
    return exact;
  }
  if (!wildcardTrie_) return std::nullopt;
  ReversedDottedKey key(domain);
  return wildcardTrie_->lookupLongestPrefix(key.bytes());
}

std::optional<CategorySet> V4Reader::categories(std::string_view domain) const {
  std::optional<std::uint16_t> group = groupID(domain);
  if (!group) return std::nullopt;
  return opened_.groupTable.set(*group);
}

bool V4Reader::isBlocked(std::string_view domain, const VerdictBitmap& verdict) const {
  std::optional<std::uint16_t> group = groupID(domain);
  return group && verdict.isBlocked(*group);
}

bool V4Reader::isBlocked(std::string_view domain, const CategorySet& selection) const {
  std::optional<CategorySet> set = categories(domain);
  return set && set->intersects(selection);
}

SummaryFields headerSummaryFields(const V4Header& header) {
  return {{"version", std::to_string(header.version)},
          {"categoryCount", std::to_string(header.categoryCount)},
          {"exactDomainCount", std::to_string(header.exactDomainCount)},
          {"wildcardDomainCount", std::to_string(header.wildcardDomainCount)},
          {"groupCount", std::to_string(header.groupCount)},
          {"totalFileSize", std::to_string(header.totalFileSize)}};
}

SummaryFields V4Reader::summaryFields() const { return headerSummaryFields(opened_.header); }

}  // namespace BlocklistV4Format
