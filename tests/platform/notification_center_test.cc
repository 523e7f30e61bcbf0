#include "platform/darwin_notification_center.h"

#include <condition_variable>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace veltra::platform {
namespace {

TEST(NotificationCenter, PostCountsInFileCreatedWithModes) {
  testing::TempDir dir;
  std::string folder = dir.file("notify");
  DarwinNotificationCenter center(folder);
  EXPECT_EQ(center.postCount("tessel.vevavuvud.blocklistUpdated"), 0u);
  center.post("tessel.vevavuvud.blocklistUpdated");
  center.post("tessel.vevavuvud.blocklistUpdated");
  EXPECT_EQ(center.postCount("tessel.vevavuvud.blocklistUpdated"), 2u);
  EXPECT_EQ(dir.read("notify/tessel.vevavuvud.blocklistUpdated"), "2\n");
  EXPECT_EQ(fileMode(folder), 0755u);
  EXPECT_EQ(fileMode(joinPath(folder, "tessel.vevavuvud.blocklistUpdated")), 0644u);
}

TEST(NotificationCenter, PostingIntoAnUnwritablePlaceDoesNotFail) {
  DarwinNotificationCenter center("/proc/veltra-cannot-exist");
  EXPECT_NO_THROW(center.post("x"));
  EXPECT_EQ(center.postCount("x"), 0u);
}

TEST(NotificationCenter, ObserverIsWokenByAPostFromAnotherCenter) {
  testing::TempDir dir;
  DarwinNotificationCenter observerSide(dir.path());
  std::mutex mutex;
  std::condition_variable woken;
  int calls = 0;
  observerSide.addObserver("tessel.vevavuvud.dnsIPMapCompacted", [&] {
    std::lock_guard<std::mutex> guard(mutex);
    ++calls;
    woken.notify_all();
  });
  DarwinNotificationCenter posterSide(dir.path());
  posterSide.post("tessel.vevavuvud.dnsIPMapUpdated");
  posterSide.post("tessel.vevavuvud.dnsIPMapCompacted");
  std::unique_lock<std::mutex> lock(mutex);
  ASSERT_TRUE(woken.wait_for(lock, std::chrono::seconds(10), [&] { return calls >= 1; }));
  lock.unlock();
  observerSide.removeAllObservers();
}

}  // namespace
}  // namespace veltra::platform
