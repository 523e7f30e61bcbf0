// The validation every reader runs when it opens a V4 artifact (layout in v4_header.h).
#pragma once

#include "artifact_format/category_table.h"
#include "artifact_format/group_table.h"
#include "artifact_format/v4_header.h"
#include "core/bytes.h"

namespace BlocklistV4Format {

// What opening keeps of a file besides its tries. Plain value.
struct OpenedArtifact {
  V4Header header;
  CategoryTable categoryTable;
  GroupTable groupTable;
};

// Validates `bytes` as a V4 artifact and decodes its tables. Throws the first V4FormatError of,
// in order: length, magic, version, declared size, offsets beyond 2^63 - 1 (truncated),
// categoryCount above 256 (corruptTrie), groupCount above 65535 (groupCountExceedsFormat),
// category table, group table position, group table length. Trie offsets are not checked:
// the trie readers treat a node outside the bytes as a miss.
OpenedArtifact openArtifact(veltra::ByteView bytes);

}  // namespace BlocklistV4Format
