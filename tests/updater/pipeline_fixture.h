// A local CDN publishing a blocklist for both pipelines, and a data folder to install it into.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <random>

#include "cdn_server.h"
#include "platform/files.h"
#include "platform/gzip.h"
#include "platform/sha256.h"
#include "updater/korvel_updater.h"
#include "updater_fixture.h"

namespace veltra::testing {

// Publishes "artifacts/blocklist.bin.gz" with a V4 manifest and a legacy metadata document
// describing it; tests edit `manifest`/`metadata` and call publish() again.
struct PipelineFixture : UpdaterFixture {
  cdn::CdnServer server{dir.file("www")};
  Bytes artifact;
  Bytes compressed;
  nlohmann::json manifest;
  nlohmann::json metadata;
  // The run's limits and time-outs: production values with the inactivity time-outs shortened.
  updater::TransportSettings transport = [] {
    updater::TransportSettings settings;
    settings.documentTimeoutSeconds = 1;
    settings.artifactTimeoutSeconds = 1;
    return settings;
  }();
  std::vector<updater::Phase> phases;
  std::vector<updater::BlocklistUpdaterStatus> records;
  platform::RecordingLogSink logs;
  platform::ScopedLogSink logScope{logs};

  PipelineFixture() {
    platform::createDirectories(dir.file("www/blocklists/v4"));
    platform::createDirectories(dir.file("www/artifacts"));
    server.start();
    std::mt19937 random(7);
    artifact.resize(60000);
    for (auto& byte : artifact) byte = static_cast<std::uint8_t>(random() % 16);  // compressible
    compressed = platform::gzipCompress(artifact);
    dir.write("www/artifacts/blocklist.bin.gz", asText(compressed));
    std::string url = server.baseURL() + "/artifacts/blocklist.bin.gz";
    manifest = {{"formatVersion", 4},
                {"version", "2026.12.10"},
                {"buildId", "build-1"},
                {"filename", "blocklist.bin.gz"},
                {"url", url},
                {"size", artifact.size()},
                {"sha256", platform::sha256Hex(artifact)},
                {"compressedSize", compressed.size()},
                {"compressedSha256", platform::sha256Hex(compressed)},
                {"domainCount", 1234},
                {"exactCount", 1000},
                {"wildcardCount", 234},
                {"categoryCount", 2},
                {"categories", {"ads", "malware"}},
                {"blocks", nlohmann::json::array()},
                {"categoryStats", nlohmann::json::object()},
                {"published", "2026-12-10T00:00:00Z"},
                {"minAppVersion", "2.0"}};
    metadata = {{"version", "2026.12.10"},
                {"sha256", platform::sha256Hex(artifact)},
                {"size", artifact.size()},
                {"domainCount", 4321},
                {"categoryCount", 2},
                {"published", "2026-12-10T00:00:00Z"},
                {"url", url},
                {"filename", "blocklist.bin.gz"}};
    publish();
    platform::createDirectories(dataDirectory);
  }

  void publish() {
    dir.write("www/blocklists/v4/blocklist.json", manifest.dump(2));
    dir.write("www/blocklists/blocklist.json", metadata.dump(2));
  }

  // Writes an application bundle whose Info.plist carries `version`.
  void installApp(const std::string& version) {
    platform::createDirectories(dir.file("Veltra.app/Contents"));
    dir.write("Veltra.app/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
              "<key>CFBundleShortVersionString</key><string>" +
                  version + "</string></dict></plist>\n");
  }

  updater::UpdaterContext pipelineContext() {
    auto c = context();
    c.environment.cdnBase = server.baseURL();
    c.transport = transport;
    c.statusObserver = [this](const updater::BlocklistUpdaterStatus& s) {
      if (phases.empty() || phases.back() != s.phase) phases.push_back(s.phase);
      records.push_back(s);
    };
    return c;
  }

  int run(std::vector<std::string> arguments, platform::FileSystem* io = nullptr) {
    auto c = pipelineContext();
    if (io != nullptr) c.fileSystem = io;
    arguments.insert(arguments.begin(), "VeltraUpdater");
    arguments.insert(arguments.begin() + 1, "--update-blocklist");
    return updater::KorvelUpdater::run(arguments, c);
  }

  // Returns the status record the run left in the data folder.
  updater::BlocklistUpdaterStatus status() const {
    return updater::BlocklistUpdaterStatus::decode(
        platform::readFile(dataPath("updater-status.json")), clock.now());
  }

  // Checks the failure the status file reports: none, or `kind` with a message starting `message`.
  void expectFailure(std::optional<updater::FailureKind> kind, const std::string& message) const {
    auto s = status();
    EXPECT_EQ(s.failureKind, kind);
    EXPECT_EQ(s.consecutiveFailures, kind ? 1 : 0);
    if (kind) {
      EXPECT_EQ(s.failureMessage.value_or("").rfind(message, 0), 0u)
          << s.failureMessage.value_or("");
    }
  }

  // Checks that each of `lines` was printed (as a prefix of a "[VeltraUpdater] " line), in order.
  void expectLinesInOrder(const std::vector<std::string>& lines) const {
    std::string printed = console.text();
    std::size_t from = 0;
    for (const auto& line : lines) {
      std::size_t at = printed.find("[VeltraUpdater] " + line, from);
      EXPECT_NE(at, std::string::npos) << "missing or out of order: " << line << "\n" << printed;
      if (at != std::string::npos) from = at;
    }
  }

  std::size_t downloads() const { return server.requests("/artifacts/blocklist.bin.gz").size(); }
  std::string dataFile(std::string_view name) const {
    return dir.read("data/" + std::string(name));
  }
  bool hasDataFile(std::string_view name) const { return platform::fileExists(dataPath(name)); }
};

}  // namespace veltra::testing
