// Parsing of upstream blocklist text into normalized exact domains and wildcard suffixes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltra::artifact_tool {

// The list syntaxes the compiler reads.
enum class ListFormat {
  domains,   // one exact domain per line
  wildcard,  // "*.suffix" lines are suffixes, other lines exact domains
  hosts,     // "IP name [name...]" lines; the usual loopback names are skipped
  adblock,   // "||suffix^" lines are suffixes; other rules are ignored
};

// Returns the format named "domains", "wildcard", "hosts" or "adblock", or nothing.
std::optional<ListFormat> listFormatNamed(std::string_view name);

// Returns `text` trimmed, ASCII-lowercased and without one trailing ".", or nothing when it is
// not labels of [a-z0-9_-], 1 to 63 bytes each and 253 in all.
std::optional<std::string> normalizedName(std::string_view text);

// What one list yields. Candidate lines are the non-empty lines that are not comments.
struct ParsedList {
  std::vector<std::string> exact;
  std::vector<std::string> wildcard;
  std::uint64_t candidateLines = 0;
  std::uint64_t validLines = 0;
  std::uint64_t invalidNames = 0;

  // Returns the number of entries: exact plus wildcard.
  std::uint64_t entryCount() const { return exact.size() + wildcard.size(); }
};

// Parses `text` in `format`. Lines are trimmed; empty lines and lines starting with "#" or "!"
// are skipped; a name that fails normalizedName() is skipped and counted.
ParsedList parseList(std::string_view text, ListFormat format);

}  // namespace veltra::artifact_tool
