#include "updater/transport.h"

#include <gtest/gtest.h>

#include "cdn_server.h"
#include "support/fake_time.h"
#include "support/temp_dir.h"
#include "updater_fixture.h"

namespace veltra::updater {
namespace {

using cdn::CdnServer;
using cdn::Fault;

// Keeps a download in memory (or only counts it), noting the largest chunk it was handed: all
// the body memory the transfer itself needs.
class MemorySink : public BodySink {
 public:
  explicit MemorySink(bool keep = true) : keep_(keep) {}
  void append(ByteView chunk) override {
    if (failAfter_ >= 0 && received_ + static_cast<std::int64_t>(chunk.size()) > failAfter_)
      throw platform::SystemError("write", "sink", ENOSPC);
    received_ += static_cast<std::int64_t>(chunk.size());
    largestChunk_ = std::max(largestChunk_, chunk.size());
    if (keep_) bytes_.insert(bytes_.end(), chunk.begin(), chunk.end());
  }
  void failAfter(std::int64_t bytes) { failAfter_ = bytes; }
  Bytes bytes_;
  std::int64_t received_ = 0;
  std::size_t largestChunk_ = 0;

 private:
  bool keep_;
  std::int64_t failAfter_ = -1;
};

class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::createDirectories(dir.file("www/blocklists/v4"));
    dir.write("www/blocklists/v4/blocklist.json", R"({"hello": "world"})");
    dir.write("www/artifact.bin.gz", std::string(100000, 'a'));
    server.start();
    settings.documentTimeoutSeconds = 1;
    settings.artifactTimeoutSeconds = 1;
  }

  Bytes download(const std::string& path,
                 std::vector<std::pair<std::int64_t, std::int64_t>>* progress = nullptr) {
    Transport transport(settings, clock, console);
    MemorySink sink;
    std::int64_t length = transport.downloadBlocklist(
        server.baseURL() + path, true,
        [&](std::int64_t received, std::int64_t expected) {
          if (progress) progress->push_back({received, expected});
        },
        sink, false);
    EXPECT_EQ(length, static_cast<std::int64_t>(sink.bytes_.size()));
    return sink.bytes_;
  }

  template <typename E>
  E downloadError(const std::string& path) {
    try {
      download(path);
    } catch (const E& error) {
      return error;
    }
    ADD_FAILURE() << "no " << typeid(E).name();
    throw std::logic_error("unreachable");
  }

  testing::TempDir dir;
  CdnServer server{dir.file("www")};
  testing::FakeClock clock;
  testing::RecordingConsole console;
  TransportSettings settings;
};

TEST_F(TransportTest, DocumentFetchReplacesQueryWithTimeStampAndSendsNoCacheHeaders) {
  Transport transport(settings, clock, console);
  Bytes body = transport.fetchWithCacheBuster(
      server.baseURL() + "/blocklists/v4/blocklist.json?x=1&y=2", "V4 manifest", true);
  EXPECT_EQ(asText(body), R"({"hello": "world"})");
  transport.fetchWithCacheBuster(server.baseURL() + "/blocklists/v4/blocklist.json", "V4 manifest",
                                 false);
  auto requests = server.requests("/blocklists/v4/blocklist.json");
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_EQ(request.query, "t=1800000000");  // the same second gives the same value
    EXPECT_EQ(request.headers.at("user-agent"), "VeltraUpdater/1.0 (macOS)");
    EXPECT_EQ(request.headers.at("cache-control"), "no-cache, no-store, must-revalidate");
    EXPECT_EQ(request.headers.at("pragma"), "no-cache");
  }
  EXPECT_EQ(
      console.lines(),
      (std::vector<std::string>{"[VeltraUpdater] Fetching V4 manifest with cache buster: " +
                                server.baseURL() + "/blocklists/v4/blocklist.json?t=1800000000"}));
}

TEST_F(TransportTest, DocumentFetchErrors) {
  Transport transport(settings, clock, console);
  struct Case {
    std::string url;
    Fault fault;
    std::string description;
  } cases[] = {
      {"ftp://example.com/x", {}, "Invalid metadata URL"},
      {"not a url", {}, "Invalid metadata URL"},
      {server.baseURL() + "/missing.json", {}, "HTTP error fetching metadata"},
      {server.baseURL() + "/blocklists/v4/blocklist.json", Fault{.status = 503},
       "HTTP error fetching metadata"},
  };
  for (auto& c : cases) {
    server.clearFaults();
    if (c.fault.status) server.addFault("/blocklists/v4/blocklist.json", c.fault);
    try {
      transport.fetchWithCacheBuster(c.url, "metadata", false);
      ADD_FAILURE() << c.url;
    } catch (const UpdaterError& error) {
      EXPECT_EQ(error.code(), 1);
      EXPECT_EQ(error.description(), c.description);
      EXPECT_EQ(classify(error), FailureKind::other);
    }
  }
}

TEST_F(TransportTest, EndlessDocumentIsAFetchFailureNotUnboundedMemory) {
  settings.maxDocumentBytes = 64 * 1024;
  server.addFault("/blocklists/v4/blocklist.json",
                  Fault{.chunked = true, .generatedBytes = 10 * 1024 * 1024});
  Transport transport(settings, clock, console);
  try {
    transport.fetchWithCacheBuster(server.baseURL() + "/blocklists/v4/blocklist.json",
                                   "V4 manifest", false);
    FAIL();
  } catch (const UpdaterError& error) {
    EXPECT_EQ(error.description(), "The V4 manifest exceeds the 65536-byte limit");
  }
}

TEST_F(TransportTest, DownloadReportsProgressOnEveryChunkWithAnnouncedLength) {
  std::vector<std::pair<std::int64_t, std::int64_t>> progress;
  Bytes body = download("/artifact.bin.gz?old=query", &progress);
  EXPECT_EQ(body.size(), 100000u);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), std::make_pair(std::int64_t{100000}, std::int64_t{100000}));
  EXPECT_EQ(server.requests("/artifact.bin.gz").at(0).query, "t=1800000000");
  EXPECT_TRUE(console.contains("[VeltraUpdater] Downloading blocklist with cache buster: " +
                               server.baseURL() + "/artifact.bin.gz?t=1800000000\n"));
}

TEST_F(TransportTest, NotFoundIsHttpStatusErrorNamingTheCacheBustedURL) {
  auto error = downloadError<HTTPStatusError>("/missing.bin.gz");
  EXPECT_EQ(error, HTTPStatusError(404, server.baseURL() + "/missing.bin.gz?t=1800000000"));
  EXPECT_EQ(error.description(),
            "HTTP 404 from " + server.baseURL() + "/missing.bin.gz?t=1800000000");
  EXPECT_EQ(classify(error), FailureKind::server);
}

TEST_F(TransportTest, AnnouncedLengthAboveLimitIsRefusedBeforeAnyBody) {
  server.addFault("/artifact.bin.gz", Fault{.announcedLength = 600000000});
  std::vector<std::pair<std::int64_t, std::int64_t>> progress;
  try {
    download("/artifact.bin.gz", &progress);
    FAIL();
  } catch (const DownloadTooLargeError& error) {
    EXPECT_EQ(error, DownloadTooLargeError(600000000, 536870912));
    EXPECT_EQ(error.description(), "Download of 600000000 bytes exceeds the 536870912-byte limit");
    EXPECT_EQ(classify(error), FailureKind::other);
  }
  EXPECT_TRUE(progress.empty());
}

TEST_F(TransportTest, BodyWithoutLengthIsCutOffPastTheLimit) {
  settings.maxDownloadBytes = 3 * 1024 * 1024;
  server.addFault("/artifact.bin.gz", Fault{.chunked = true, .generatedBytes = 64 * 1024 * 1024});
  std::vector<std::pair<std::int64_t, std::int64_t>> progress;
  try {
    download("/artifact.bin.gz", &progress);
    FAIL();
  } catch (const DownloadTooLargeError& error) {
    EXPECT_GT(error.bytes(), 3 * 1024 * 1024);
    EXPECT_EQ(error.limit(), 3 * 1024 * 1024);
  }
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front().second, 0);  // unknown length is reported as 0
  EXPECT_LE(progress.back().first, 3 * 1024 * 1024);
}

TEST_F(TransportTest, ChunkedBodyWithinLimitArrivesWhole) {
  server.addFault("/artifact.bin.gz", Fault{.chunked = true});
  EXPECT_EQ(download("/artifact.bin.gz").size(), 100000u);
}

TEST_F(TransportTest, NetworkFailuresAreURLErrorsClassifiedNetwork) {
  struct Case {
    const char* name;
    Fault fault;
    URLError::Code code;
  } cases[] = {
      {"stall", Fault{.stall = true}, URLError::Code::timedOut},
      {"drop", Fault{.drop = true}, URLError::Code::networkConnectionLost},
      {"short body", Fault{.announcedLength = 200000}, URLError::Code::networkConnectionLost},
  };
  for (const auto& c : cases) {
    server.addFault("/artifact.bin.gz", c.fault);
    auto error = downloadError<URLError>("/artifact.bin.gz");
    EXPECT_EQ(error.code(), c.code) << c.name << ": " << error.detail();
    EXPECT_EQ(classify(error), FailureKind::network) << c.name;
  }
}

TEST_F(TransportTest, RefusedConnectionIsCannotConnect) {
  Transport transport(settings, clock, console);
  try {
    MemorySink sink;
    transport.downloadBlocklist("http://127.0.0.1:1/x.gz", false, nullptr, sink, false);
    FAIL();
  } catch (const URLError& error) {
    EXPECT_EQ(error.code(), URLError::Code::cannotConnectToHost);
    EXPECT_EQ(error.description(), "Could not connect to the server.");
  }
}

TEST_F(TransportTest, RedirectsAreFollowedOnlyToHttpAndAtMostFive) {
  server.addFault("/start.gz", Fault{.redirectTo = "/artifact.bin.gz"});
  EXPECT_EQ(download("/start.gz").size(), 100000u);

  server.setStandingFault("/loop.gz", Fault{.redirectTo = "/loop.gz"});
  EXPECT_EQ(downloadError<URLError>("/loop.gz").code(), URLError::Code::httpTooManyRedirects);

  server.addFault("/to-file.gz", Fault{.redirectTo = "file:///etc/passwd"});
  EXPECT_EQ(downloadError<URLError>("/to-file.gz").code(), URLError::Code::unsupportedURL);
}

TEST_F(TransportTest, UnusableArtifactURLsAreUpdaterErrorsOfCodeTwo) {
  Transport transport(settings, clock, console);
  struct Case {
    std::string url, description;
  } cases[] = {
      {"", "Invalid blocklist URL: "},
      {"no scheme at all", "Invalid blocklist URL: no scheme at all"},
      {"gopher://example.com/x", "Invalid blocklist URL components: gopher://example.com/x"},
      {"file:///etc/passwd",
       "Refused blocklist URL with scheme file (only http and https are allowed from a CDN "
       "reached over the network): file:///etc/passwd"},
      {"FILE:///dev/zero",
       "Refused blocklist URL with scheme file (only http and https are allowed from a CDN "
       "reached over the network): FILE:///dev/zero"},
  };
  for (const auto& c : cases) {
    try {
      MemorySink sink;
      transport.downloadBlocklist(c.url, false, nullptr, sink, false);
      ADD_FAILURE() << c.url;
    } catch (const UpdaterError& error) {
      EXPECT_EQ(error.code(), 2);
      EXPECT_EQ(error.description(), c.description);
    }
  }
}

TEST_F(TransportTest, FileURLIsAcceptedAsASuccessfulResponseFromALocalCDN) {
  Transport transport(settings, clock, console);
  MemorySink sink;
  transport.downloadBlocklist("file://" + dir.file("www/artifact.bin.gz"), false, nullptr, sink,
                              true);
  EXPECT_EQ(sink.bytes_.size(), 100000u);
}

// Whatever a server sends, the body passes through in chunks and nothing accumulates: the
// largest chunk is all the memory the transfer holds.
TEST_F(TransportTest, HostileBodiesNeverAccumulateInMemory) {
  settings.maxDownloadBytes = 8 * 1024 * 1024;
  struct Case {
    const char* name;
    Fault fault;
    bool tooLarge;
  } cases[] = {
      {"endless without length", Fault{.chunked = true, .generatedBytes = std::int64_t{1} << 40},
       true},
      {"announced at the limit", Fault{.generatedBytes = 8 * 1024 * 1024}, false},
      {"announced below what arrives", Fault{.announcedLength = 4 * 1024 * 1024}, false},
  };
  dir.write("www/big.bin.gz", std::string(6 * 1024 * 1024, 'b'));
  for (const auto& c : cases) {
    server.addFault("/big.bin.gz", c.fault);
    Transport transport(settings, clock, console);
    MemorySink sink(false);
    try {
      transport.downloadBlocklist(server.baseURL() + "/big.bin.gz", false, nullptr, sink, false);
      EXPECT_FALSE(c.tooLarge) << c.name;
    } catch (const DownloadTooLargeError& error) {
      EXPECT_TRUE(c.tooLarge) << c.name;
      EXPECT_EQ(error.limit(), settings.maxDownloadBytes);
    }
    EXPECT_LE(sink.received_, settings.maxDownloadBytes) << c.name;
    EXPECT_GT(sink.largestChunk_, 0u) << c.name;
    EXPECT_LE(sink.largestChunk_, 1u << 20) << c.name;
  }
}

TEST_F(TransportTest, SinkThatCannotKeepTheBodyEndsTheTransferWithItsError) {
  Transport transport(settings, clock, console);
  MemorySink sink;
  sink.failAfter(1000);
  try {
    transport.downloadBlocklist(server.baseURL() + "/artifact.bin.gz", false, nullptr, sink, false);
    FAIL();
  } catch (const platform::SystemError& error) {
    EXPECT_EQ(error.errorNumber(), ENOSPC);
  }
}

// The whole-transfer and minimum-rate bounds, shortened: a server that trickles, or stalls
// before the inactivity time-out, cannot hold the run.
TEST_F(TransportTest, SlowTransfersEndAsTimeOutsClassifiedNetwork) {
  struct Case {
    const char* name;
    Fault fault;
    double totalSeconds;
    double minimumRate;
    double windowSeconds;
  } cases[] = {
      {"trickle below the minimum rate", Fault{.trickleMillis = 20}, 0, 1024, 0.3},
      {"trickle past the total time", Fault{.trickleMillis = 20}, 0.3, 0, 0},
      {"stall past the total time", Fault{.stall = true}, 0.3, 0, 0},
  };
  settings.documentTimeoutSeconds = 30;
  settings.artifactTimeoutSeconds = 30;
  for (const auto& c : cases) {
    settings.artifactTotalSeconds = c.totalSeconds;
    settings.documentTotalSeconds = c.totalSeconds;
    settings.minimumBytesPerSecond = c.minimumRate;
    settings.rateWindowSeconds = c.windowSeconds;
    server.addFault("/artifact.bin.gz", c.fault);
    auto error = downloadError<URLError>("/artifact.bin.gz");
    EXPECT_EQ(error.code(), URLError::Code::timedOut) << c.name;
    EXPECT_EQ(classify(error), FailureKind::network) << c.name;

    server.addFault("/blocklists/v4/blocklist.json", c.fault);
    Transport transport(settings, clock, console);
    try {
      transport.fetchWithCacheBuster(server.baseURL() + "/blocklists/v4/blocklist.json",
                                     "V4 manifest", false);
      ADD_FAILURE() << c.name;
    } catch (const URLError& documentError) {
      EXPECT_EQ(documentError.code(), URLError::Code::timedOut) << c.name;
    }
  }
}

TEST(DownloadAccumulatorTest, ExactLimitPassesAndOneMoreFails) {
  MemorySink sink;
  DownloadAccumulator exact(nullptr, sink);
  EXPECT_TRUE(exact.didReceiveResponse({200, 536870912, "u"}));
  EXPECT_EQ(exact.expected(), 536870912);
  DownloadAccumulator over(nullptr, sink);
  EXPECT_FALSE(over.didReceiveResponse({200, 536870913, "u"}));
  EXPECT_TRUE(over.completed());
}

TEST(DownloadAccumulatorTest, FirstErrorWinsAndLaterCallbacksAreIgnored) {
  int progressCalls = 0;
  MemorySink sink;
  DownloadAccumulator accumulator([&](std::int64_t, std::int64_t) { ++progressCalls; }, sink, 10);
  EXPECT_TRUE(accumulator.didReceiveResponse({std::nullopt, -1, ""}));
  EXPECT_EQ(accumulator.expected(), 0);
  Bytes chunk(6, 1);
  EXPECT_TRUE(accumulator.didReceiveData(chunk));
  EXPECT_FALSE(accumulator.didReceiveData(chunk));  // 12 > 10
  EXPECT_FALSE(accumulator.didReceiveData(chunk));
  accumulator.didComplete(std::make_exception_ptr(URLError(URLError::Code::cancelled)));
  EXPECT_EQ(progressCalls, 1);
  EXPECT_TRUE(accumulator.completed());
  EXPECT_EQ(sink.bytes_.size(), 6u);  // nothing past the limit reached the sink
}

}  // namespace
}  // namespace veltra::updater

namespace veltra::updater {
namespace {

TEST(Classify, MapsEveryErrorFamilyToItsKind) {
  struct Case {
    std::exception_ptr error;
    FailureKind kind;
  } cases[] = {
      {std::make_exception_ptr(HTTPStatusError(500, std::nullopt)), FailureKind::server},
      {std::make_exception_ptr(URLError(URLError::Code::cannotFindHost)), FailureKind::network},
      {std::make_exception_ptr(URLError(URLError::Code::networkConnectionLost)),
       FailureKind::network},
      {std::make_exception_ptr(URLError(URLError::Code::secureConnectionFailed)),
       FailureKind::other},
      {std::make_exception_ptr(URLError(URLError::Code::httpTooManyRedirects)), FailureKind::other},
      {std::make_exception_ptr(platform::SystemError("write", "/x", ENOSPC)), FailureKind::disk},
      {std::make_exception_ptr(platform::SystemError("open", "/x", EACCES)), FailureKind::disk},
      {std::make_exception_ptr(platform::SystemError("rename", "/x", EROFS)), FailureKind::disk},
      {std::make_exception_ptr(platform::SystemError("open", "/x", EEXIST)), FailureKind::disk},
      {std::make_exception_ptr(platform::SystemError("open", "/x", ENOENT)), FailureKind::other},
      {std::make_exception_ptr(UpdaterError(3, "gunzip failed with status 1")), FailureKind::other},
      {std::make_exception_ptr(DownloadTooLargeError(1, 0)), FailureKind::other},
      {std::make_exception_ptr(std::runtime_error("anything")), FailureKind::other},
  };
  for (const auto& c : cases) {
    try {
      std::rethrow_exception(c.error);
    } catch (const std::exception& error) {
      EXPECT_EQ(classify(error), c.kind) << error.what();
    }
  }
}

}  // namespace
}  // namespace veltra::updater
