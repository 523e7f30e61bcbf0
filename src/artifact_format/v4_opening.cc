#include "artifact_format/v4_opening.h"

#include <cstdint>
#include <limits>
#include <string>

#include "artifact_format/category_set.h"
#include "artifact_format/v4_format_error.h"

namespace BlocklistV4Format {

OpenedArtifact openArtifact(veltra::ByteView bytes) {
  const std::uint64_t length = bytes.size();
  if (length < V4Header::kByteCount) throw V4FormatError::truncated(V4Header::kByteCount, length);
  OpenedArtifact opened;
  V4Header& header = opened.header;
  header = V4Header::decode(bytes.first(V4Header::kByteCount));
  if (length < header.totalFileSize) throw V4FormatError::truncated(header.totalFileSize, length);
  constexpr std::uint64_t kMaxByteCount = std::numeric_limits<std::int64_t>::max();
  for (std::uint64_t offset :
       {header.groupTableOffset, header.exactTrieOffset, header.wildcardTrieOffset}) {
    if (offset > kMaxByteCount) throw V4FormatError::truncated(offset, length);
  }
  if (header.categoryCount > CategorySet::kSlotCount) {
    throw V4FormatError::corruptTrie("category count " + std::to_string(header.categoryCount) +
                                     " exceeds the 256 slots of a category set");
  }
  if (header.groupCount > V4Header::kMaxGroupCount) {
    throw V4FormatError::groupCountExceedsFormat(header.groupCount);
  }
  opened.categoryTable = CategoryTable::decode(bytes, header.categoryCount, V4Header::kByteCount);
  const std::uint64_t categoryEnd = opened.categoryTable.endOffset;
  if (header.groupTableOffset < categoryEnd) {
    throw V4FormatError::corruptTrie("category table ends at " + std::to_string(categoryEnd) +
                                     ", past groupTableOffset " +
                                     std::to_string(header.groupTableOffset));
  }
  const std::uint64_t rowWidth = header.groupRowWidth();
  const std::uint64_t groupEnd = header.groupTableOffset + header.groupCount * rowWidth;
  if (length < groupEnd) throw V4FormatError::truncated(groupEnd, length);
  opened.groupTable =
      GroupTable::decode(bytes.subspan(header.groupTableOffset, groupEnd - header.groupTableOffset),
                         header.groupCount, rowWidth);
  return opened;
}

}  // namespace BlocklistV4Format
