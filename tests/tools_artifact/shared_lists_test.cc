// Compiles the shared real blocklists (when present next to the repository) and checks both
// readers against each other on them.
#include <gtest/gtest.h>

#include <sstream>

#include "artifact_format/v4_mapped_reader.h"
#include "artifact_format/v4_reader.h"
#include "platform/files.h"
#include "run.h"
#include "support/temp_dir.h"

namespace veltra::artifact_tool {
namespace {

const std::string kSourceDir = VELTRA_SOURCE_DIR;

TEST(SharedLists, CompileAndReadBack) {
  const std::string lists = kSourceDir + "/../shared/data/blocklists";
  if (!platform::isDirectory(lists)) GTEST_SKIP() << "no shared lists at " << lists;
  testing::TempDir dir;
  std::istringstream in;
  std::ostringstream out, err;
  ASSERT_EQ(run({"build", "--registry", kSourceDir + "/examples/shared-lists-registry.json",
                 "--lists", lists, "-o", dir.file("shared.bin")},
                in, out, err),
            0)
      << err.str();
  Bytes bytes = platform::readFile(dir.file("shared.bin"));
  BlocklistV4Format::V4Reader reader(bytes);
  BlocklistV4Format::V4MappedReader mapped(bytes);
  EXPECT_GT(reader.header().exactDomainCount, 100000u);
  EXPECT_GT(reader.header().wildcardDomainCount, 100000u);
  std::size_t visited = 0;
  std::string previous;
  mapped.forEachExactDomain([&](const std::string& domain, std::uint16_t group) {
    EXPECT_LT(previous, domain);
    previous = domain;
    if (visited++ % 11 == 0) {
      EXPECT_EQ(reader.groupID(domain), group) << domain;
      EXPECT_EQ(mapped.groupID(domain), group) << domain;
      EXPECT_EQ(mapped.groupID("zz-" + domain), reader.groupID("zz-" + domain)) << domain;
    }
    return true;
  });
  EXPECT_EQ(visited, reader.header().exactDomainCount);
}

}  // namespace
}  // namespace veltra::artifact_tool
