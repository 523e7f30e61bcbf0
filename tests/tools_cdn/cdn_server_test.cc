// What the CDN server serves from its folder; its scripted faults are covered by the updater's
// transport tests.
#include "cdn_server.h"

#include <httplib.h>
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace veltra::cdn {
namespace {

TEST(CdnServer, ServesRegularFilesUnderTheRootOnly) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir.file("www/blocklists"));
  dir.write("www/blocklists/blocklist.json", R"({"v": 1})");
  dir.write("www/data.bin", std::string(3 << 20, 'd'));
  const std::string secret = dir.write("secret.txt", "not for the web");
  std::filesystem::create_symlink(secret, dir.file("www/link.txt"));
  ASSERT_EQ(::mkfifo(dir.file("www/fifo").c_str(), 0600), 0);

  CdnServer server(dir.file("www"));
  const int port = server.start();
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(20, 0);

  auto document = client.Get("/blocklists/blocklist.json");
  ASSERT_TRUE(document);
  EXPECT_EQ(document->status, 200);
  EXPECT_EQ(document->body, R"({"v": 1})");
  EXPECT_EQ(document->get_header_value("Content-Type"), "application/json");
  // Larger than one read: served in pieces, each read at its offset.
  auto data = client.Get("/data.bin");
  ASSERT_TRUE(data);
  EXPECT_EQ(data->status, 200);
  EXPECT_EQ(data->body, std::string(3 << 20, 'd'));

  for (const char* path : {"/link.txt", "/fifo", "/blocklists", "/../secret.txt", "/absent"}) {
    auto refused = client.Get(path);
    ASSERT_TRUE(refused) << path;
    EXPECT_EQ(refused->status, 404) << path;
    EXPECT_EQ(refused->body, "not found\n") << path;
  }
  server.stop();
}

}  // namespace
}  // namespace veltra::cdn
