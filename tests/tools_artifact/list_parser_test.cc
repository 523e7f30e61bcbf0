#include "list_parser.h"

#include <gtest/gtest.h>

namespace veltra::artifact_tool {
namespace {

using Names = std::vector<std::string>;

TEST(NormalizedName, LowercasesDropsOneTrailingDotAndChecksLabels) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"Example.COM.", "example.com"},
      {"  a_b-c.d  ", "a_b-c.d"},
      {"example.com..", std::nullopt},
      {"a..b", std::nullopt},
      {".a", std::nullopt},
      {"", std::nullopt},
      {"ex ample.com", std::nullopt},
      {"b\xC3\xA4r.de", std::nullopt},
      {"*.x.com", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(normalizedName(text), expected) << text;
  std::string label63(63, 'a');
  EXPECT_TRUE(normalizedName(label63 + ".com"));
  EXPECT_FALSE(normalizedName(label63 + "a.com"));
  std::string name253 = label63 + "." + label63 + "." + label63 + "." + std::string(61, 'b');
  EXPECT_TRUE(normalizedName(name253));
  EXPECT_FALSE(normalizedName(name253 + "b"));
}

TEST(ParseList, EachFormat) {
  struct Case {
    ListFormat format;
    const char* text;
    Names exact;
    Names wildcard;
    std::uint64_t candidates;
    std::uint64_t valid;
    std::uint64_t invalid;
  };
  const Case cases[] = {
      {ListFormat::domains,
       "# title\n\n  Ads.Example.com.  \r\n!note\nbad name\nx.org\n",
       {"ads.example.com", "x.org"},
       {},
       3,
       2,
       1},
      {ListFormat::wildcard,
       "*.Tracker.net\nexact.com\n*.\n",
       {"exact.com"},
       {"tracker.net"},
       3,
       2,
       1},
      {ListFormat::hosts,
       "127.0.0.1 localhost\n::1 ip6-localhost ip6-loopback\n0.0.0.0 a.com B.com # both\n"
       "0.0.0.0 0.0.0.0\n0.0.0.0\n0.0.0.0 bad..x\n",
       {"a.com", "b.com"},
       {},
       6,
       4,
       2},
      {ListFormat::adblock,
       "[Adblock Plus]\n! comment\n||ads.com^\n||x.com^$third-party\n##.ad\n",
       {},
       {"ads.com"},
       3,
       1,
       0},
  };
  for (const Case& c : cases) {
    ParsedList list = parseList(c.text, c.format);
    EXPECT_EQ(list.exact, c.exact) << c.text;
    EXPECT_EQ(list.wildcard, c.wildcard) << c.text;
    EXPECT_EQ(list.candidateLines, c.candidates) << c.text;
    EXPECT_EQ(list.validLines, c.valid) << c.text;
    EXPECT_EQ(list.invalidNames, c.invalid) << c.text;
  }
}

TEST(ListFormatNamed, KnowsTheFourFormats) {
  EXPECT_EQ(listFormatNamed("hosts"), ListFormat::hosts);
  EXPECT_EQ(listFormatNamed("adblock"), ListFormat::adblock);
  EXPECT_EQ(listFormatNamed("Hosts"), std::nullopt);
}

}  // namespace
}  // namespace veltra::artifact_tool
