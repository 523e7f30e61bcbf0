#include "platform/logging.h"

#include <gtest/gtest.h>

namespace veltra::platform {
namespace {

TEST(Logging, RecordsCarrySubsystemCategoryLevelAndArguments) {
  RecordingLogSink sink;
  ScopedLogSink scope(sink);
  Logger logger("tessel.Korvel2", "SharedConfig");
  logger.error("Failed to read config: %s", std::string("bad"));
  logger.notice("updateBlocklistMetadata(domainCount: %ld)", 42L);
  auto records = sink.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].subsystem, "tessel.Korvel2");
  EXPECT_EQ(records[0].category, "SharedConfig");
  EXPECT_EQ(records[0].level, LogLevel::error);
  EXPECT_EQ(records[0].message, "Failed to read config: bad");
  EXPECT_EQ(records[0].redactedMessage, "Failed to read config: <private>");
  EXPECT_EQ(records[1].redactedMessage, "updateBlocklistMetadata(domainCount: 42)");
}

TEST(Logging, RenderHandlesPlaceholdersAndPercent) {
  EXPECT_EQ(renderLogFormat("a %s b %lld c %{public}s 100%%", {"x", "7", "y"}), "a x b 7 c y 100%");
  EXPECT_EQ(renderLogFormat("missing %s", {}), "missing ");
}

}  // namespace
}  // namespace veltra::platform
