#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "artifact_format/v4_writer.h"
#include "run.h"
#include "support/temp_dir.h"

namespace veltra::artifact_tool {
namespace {

using BlocklistV4Format::CategorySet;

class ReadCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    BlocklistV4Format::V4Writer::Input input;
    input.categories = {{5, "malware"}, {1, "ads"}};
    input.exactDomains.unite("b.ads.com", CategorySet::of({0}));
    input.exactDomains.unite("a.ads.com", CategorySet::of({0, 1}));
    input.exactDomains.unite("evil.net", CategorySet::of({1}));
    input.wildcardSuffixes.unite("tracker.io", CategorySet::of({0}));
    path = dir.write("a.bin", asText(BlocklistV4Format::V4Writer::write(input).bytes));
  }

  int run(std::vector<std::string> args, const std::string& stdinText = "") {
    std::istringstream in(stdinText);
    out.str("");
    err.str("");
    return artifact_tool::run(args, in, out, err);
  }

  testing::TempDir dir;
  std::string path;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(ReadCommands, LookupPrintsGroupCategoriesAndVerdict) {
  ASSERT_EQ(run({"lookup", path, "a.ads.com", "x.tracker.io", "EVIL.net", "evil.net"}), 0)
      << err.str();
  EXPECT_EQ(out.str(),
            "a.ads.com\t2\tads,malware\tblocked\n"
            "x.tracker.io\t0\tads\tblocked\n"
            "EVIL.net\t-\t-\tallowed\n"
            "evil.net\t1\tmalware\tblocked\n");
  ASSERT_EQ(run({"lookup", path, "--enable", "malware", "--stdin"}, "b.ads.com\r\n\nevil.net\n"),
            0);
  EXPECT_EQ(out.str(), "b.ads.com\t0\tads\tallowed\nevil.net\t1\tmalware\tblocked\n");
}

TEST_F(ReadCommands, DumpListsExactDomainsInByteOrder) {
  ASSERT_EQ(run({"dump", path}), 0) << err.str();
  EXPECT_EQ(out.str(), "a.ads.com\t2\nb.ads.com\t0\nevil.net\t1\n");
}

TEST_F(ReadCommands, InspectShowsHeaderCategoriesAndResidency) {
  ASSERT_EQ(run({"inspect", path, "--json"}), 0) << err.str();
  nlohmann::json doc = nlohmann::json::parse(out.str());
  EXPECT_EQ(doc["categoryCount"], 2);
  EXPECT_EQ(doc["groupCount"], 3);
  EXPECT_EQ(doc["categories"][0]["name"], "ads");
  EXPECT_EQ(doc["categories"][1]["id"], 5);
  EXPECT_GE(doc["fileCachedFraction"].get<double>(), 0.0);
  ASSERT_EQ(run({"inspect", path}), 0);
  EXPECT_NE(out.str().find("exactDomainCount: 3\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("  slot 1\tid 5\tmalware\n"), std::string::npos) << out.str();
}

TEST_F(ReadCommands, EveryReadCommandAcceptsTheReadOptions) {
  // As they always have: an option of another read command is accepted and ignored.
  ASSERT_EQ(run({"dump", path, "--json", "--stdin", "--enable", "ads"}, "x.tracker.io\n"), 0);
  EXPECT_EQ(out.str(), "a.ads.com\t2\nb.ads.com\t0\nevil.net\t1\n");
  ASSERT_EQ(run({"lookup", "--json", path, "evil.net"}), 0);
  EXPECT_EQ(out.str(), "evil.net\t1\tmalware\tblocked\n");
}

TEST_F(ReadCommands, ErrorsGoToStandardError) {
  EXPECT_EQ(run({"dump", dir.write("short.bin", "LBVK")}), 1);
  EXPECT_EQ(err.str(), "veltra-artifact: truncated artifact: needed 64 bytes, have 4\n");
  EXPECT_EQ(run({"lookup", path}), 2);
  EXPECT_EQ(err.str().rfind("veltra-artifact: lookup needs domains or --stdin\n", 0), 0u);
  EXPECT_EQ(run({"inspect"}), 2);
}

}  // namespace
}  // namespace veltra::artifact_tool
