// The outcome of checking one domain against the format-3 filter.
#pragma once

#include <optional>
#include <set>
#include <string>

namespace veltra::legacy {

// Why a domain was let through or blocked, in case order.
enum class BlockResult { allowed, allowedBySystem, allowedByUser, blockedByList, blockedByUser };

// Plain record with equality: the outcome, the category keys that matched, and the list entry
// (domain or suffix) that decided it.
struct BlockCheckResult {
  BlockResult outcome = BlockResult::allowed;
  std::set<std::string> categories;
  std::optional<std::string> matchedDomain;

  friend bool operator==(const BlockCheckResult&, const BlockCheckResult&) = default;
};

}  // namespace veltra::legacy
