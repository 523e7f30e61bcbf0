#include "list_parser.h"

#include <array>

namespace veltra::artifact_tool {
namespace {

constexpr std::size_t kMaxLabel = 63;
constexpr std::size_t kMaxName = 253;

constexpr std::array<std::string_view, 12> kLoopbackNames = {
    "localhost",     "localhost.localdomain", "local",        "broadcasthost",
    "ip6-localhost", "ip6-loopback",          "ip6-localnet", "ip6-mcastprefix",
    "ip6-allnodes",  "ip6-allrouters",        "ip6-allhosts", "0.0.0.0"};

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool isLabelByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool isLoopbackName(std::string_view name) {
  for (std::string_view loopback : kLoopbackNames) {
    if (name == loopback) return true;
  }
  return false;
}

// Splits on white space.
std::vector<std::string_view> fields(std::string_view line) {
  std::vector<std::string_view> result;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isSpace(line[i])) ++i;
    std::size_t start = i;
    while (i < line.size() && !isSpace(line[i])) ++i;
    if (i > start) result.push_back(line.substr(start, i - start));
  }
  return result;
}

class Parser {
 public:
  explicit Parser(ParsedList& list) : list_(list) {}

  // Adds a name; returns whether it was valid.
  bool add(std::string_view text, bool wildcard) {
    std::optional<std::string> name = normalizedName(text);
    if (!name) {
      ++list_.invalidNames;
      return false;
    }
    (wildcard ? list_.wildcard : list_.exact).push_back(std::move(*name));
    return true;
  }

  bool hostsLine(std::string_view line) {
    std::size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    std::vector<std::string_view> parts = fields(line);
    if (parts.size() < 2) {
      ++list_.invalidNames;
      return false;
    }
    bool valid = true;
    for (std::size_t i = 1; i < parts.size(); ++i) {
      std::optional<std::string> name = normalizedName(parts[i]);
      if (name && isLoopbackName(*name)) continue;
      valid = add(parts[i], false) && valid;
    }
    return valid;
  }

  bool adblockLine(std::string_view line) {
    if (line.size() < 4 || line.substr(0, 2) != "||" || line.back() != '^') return false;
    return add(line.substr(2, line.size() - 3), true);
  }

 private:
  ParsedList& list_;
};

}  // namespace

std::optional<ListFormat> listFormatNamed(std::string_view name) {
  if (name == "domains") return ListFormat::domains;
  if (name == "wildcard") return ListFormat::wildcard;
  if (name == "hosts") return ListFormat::hosts;
  if (name == "adblock") return ListFormat::adblock;
  return std::nullopt;
}

std::optional<std::string> normalizedName(std::string_view text) {
  text = trimmed(text);
  if (!text.empty() && text.back() == '.') text.remove_suffix(1);
  if (text.empty() || text.size() > kMaxName) return std::nullopt;
  std::string name(text);
  std::size_t labelLength = 0;
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '.') {
      if (labelLength == 0) return std::nullopt;
      labelLength = 0;
    } else if (!isLabelByte(c) || ++labelLength > kMaxLabel) {
      return std::nullopt;
    }
  }
  if (labelLength == 0) return std::nullopt;
  return name;
}

ParsedList parseList(std::string_view text, ListFormat format) {
  ParsedList list;
  Parser parser(list);
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#' || line.front() == '!') continue;
    ++list.candidateLines;
    bool valid = false;
    switch (format) {
      case ListFormat::domains:
        valid = parser.add(line, false);
        break;
      case ListFormat::wildcard:
        valid =
            line.substr(0, 2) == "*." ? parser.add(line.substr(2), true) : parser.add(line, false);
        break;
      case ListFormat::hosts:
        valid = parser.hostsLine(line);
        break;
      case ListFormat::adblock:
        valid = parser.adblockLine(line);
        break;
    }
    if (valid) ++list.validLines;
  }
  return list;
}

}  // namespace veltra::artifact_tool
