// The in-memory tries of the format-3 filter and the lookup over a mapped format-3 file.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "config/blocklist_category.h"
#include "core/bytes.h"
#include "legacy/v3_header.h"

namespace veltra::legacy {

// A byte-keyed trie of exact domains, each terminal node carrying a 32-bit category bitmap.
// Owns its nodes; not thread-safe.
class SerializableTrie {
 public:
  class Node {
   public:
    std::map<std::uint8_t, std::unique_ptr<Node>> children;
    bool isTerminal = false;
    std::uint32_t categoryBitmap = 0;
  };

  Node root;
  std::int64_t count = 0;
};

// A trie of wildcard suffixes keyed by user-perceived characters (each key is the UTF-8 text of
// one character). Owns its nodes; not thread-safe.
class WildcardTrie {
 public:
  class Node {
   public:
    std::map<std::string, std::unique_ptr<Node>> children;
    bool isTerminal = false;
    std::uint32_t categoryBitmap = 0;
  };

  Node root;
  std::int64_t count = 0;

  // Returns the number of nodes, the root included.
  std::int64_t nodeCount() const;

  // Returns "WildcardTrie(count: <count>, estimatedMemory: <nodes × 100> bytes)".
  std::string debugDescription() const;
};

// Lookups over the bytes of a mapped format-3 file. Keeps `storage` (whatever owns the mapping)
// alive while `data` is in use; immutable, so safe to share between threads.
class MappedTrieLookup {
 public:
  MappedTrieLookup(ByteView data, std::shared_ptr<const void> storage, V3Header header,
                   std::map<std::uint8_t, config::BlocklistCategory> categoryIndex)
      : data(data),
        header(header),
        categoryIndex(std::move(categoryIndex)),
        storage_(std::move(storage)) {}

  const ByteView data;
  const V3Header header;
  const std::map<std::uint8_t, config::BlocklistCategory> categoryIndex;

 private:
  std::shared_ptr<const void> storage_;
};

}  // namespace veltra::legacy
