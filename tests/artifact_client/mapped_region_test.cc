#include "artifact_client/mapped_region.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace BlocklistV4Client {
namespace {

// Returns the number of open descriptors of this process.
int openDescriptorCount() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

TEST(MappedRegion, MapsTheWholeFile) {
  veltra::testing::TempDir dir;
  std::string content(MappedRegion::pageSize() + 1, 'v');
  content[MappedRegion::pageSize()] = 'w';
  MappedRegion region(dir.write("f", content), MappedRegion::Advice::random);
  EXPECT_EQ(region.count(), static_cast<std::int64_t>(content.size()));
  EXPECT_EQ(region.pageCount(), 2u);
  EXPECT_EQ(veltra::asText(region.buffer()), content);
  EXPECT_EQ(region.path(), dir.file("f"));
  region.touchAllPages();
  EXPECT_EQ(region.touchSink(), std::uint64_t{'v'} + 'w');
  EXPECT_DOUBLE_EQ(region.fileCachedFraction(), 1.0);
  EXPECT_EQ(region.fileCachedPages(), 2u);
  region.advise(MappedRegion::Advice::sequential);
  region.advise(MappedRegion::Advice::willNeed);
}

TEST(MappedRegion, FailuresLeaveNoDescriptorOpen) {
  veltra::testing::TempDir dir;
  const int before = openDescriptorCount();
  try {
    MappedRegion region(dir.write("empty", ""), MappedRegion::Advice::normal);
    FAIL();
  } catch (const RegionError& error) {
    EXPECT_EQ(error.description(), dir.file("empty") + " is empty; there is nothing to map");
    EXPECT_EQ(error.errorCase(), RegionError::Case::emptyFile);
  }
  try {
    MappedRegion region(dir.file("missing"), MappedRegion::Advice::normal);
    FAIL();
  } catch (const RegionError& error) {
    EXPECT_EQ(error.description(),
              "open(" + dir.file("missing") + ") failed: No such file or directory");
    EXPECT_EQ(error, RegionError(RegionError::Case::openFailed, dir.file("missing"), ENOENT));
  }
  try {
    MappedRegion region(dir.path(), MappedRegion::Advice::normal);  // a folder cannot be mapped
    FAIL();
  } catch (const RegionError& error) {
    EXPECT_NE(error.errorCase(), RegionError::Case::openFailed);
  }
  EXPECT_EQ(openDescriptorCount(), before);
}

TEST(RegionError, Descriptions) {
  EXPECT_EQ(RegionError(RegionError::Case::statFailed, "/p", EBADF).description(),
            "fstat(/p) failed: Bad file descriptor");
  EXPECT_EQ(RegionError(RegionError::Case::mapFailed, "/p", ENOMEM).description(),
            "mmap(/p) failed: Cannot allocate memory");
  EXPECT_EQ(RegionError(RegionError::Case::adviseFailed, "", EINVAL).description(),
            "madvise failed: Invalid argument");
  EXPECT_EQ(RegionError(RegionError::Case::mincoreFailed, "", ENOMEM).description(),
            "mincore failed: Cannot allocate memory");
}

}  // namespace
}  // namespace BlocklistV4Client
