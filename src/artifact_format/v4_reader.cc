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
    : V4ReaderBase(*bytes), exactTrie_(bytes, header().exactTrieOffset) {
  if (header().flags.contains(V4Header::Flags::hasWildcardTrie())) {
    wildcardTrie_.emplace(bytes, header().wildcardTrieOffset);
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

SummaryFields headerSummaryFields(const V4Header& header) {
  return {{"version", std::to_string(header.version)},
          {"categoryCount", std::to_string(header.categoryCount)},
          {"exactDomainCount", std::to_string(header.exactDomainCount)},
          {"wildcardDomainCount", std::to_string(header.wildcardDomainCount)},
          {"groupCount", std::to_string(header.groupCount)},
          {"totalFileSize", std::to_string(header.totalFileSize)}};
}

}  // namespace BlocklistV4Format
