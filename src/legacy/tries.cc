#include "legacy/tries.h"

#include <vector>

namespace veltra::legacy {

std::int64_t WildcardTrie::nodeCount() const {
  std::int64_t nodes = 0;
  std::vector<const Node*> pending = {&root};
  while (!pending.empty()) {
    const Node* node = pending.back();
    pending.pop_back();
    ++nodes;
    for (const auto& [key, child] : node->children) {
      if (child) pending.push_back(child.get());
    }
  }
  return nodes;
}

std::string WildcardTrie::debugDescription() const {
  return "WildcardTrie(count: " + std::to_string(count) +
         ", estimatedMemory: " + std::to_string(nodeCount() * 100) + " bytes)";
}

}  // namespace veltra::legacy
