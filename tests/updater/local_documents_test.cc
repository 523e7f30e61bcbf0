// The JSON files of the data folder are read with a size bound, never through a planted link
// and never blocking; a file refused for any of these reasons gets exactly the treatment the
// product already gives an undecodable file of its kind.
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "core/json_fields.h"
#include "pipeline_fixture.h"
#include "updater/updater_status_reporter.h"

namespace veltra::updater {
namespace {

using testing::PipelineFixture;

enum class Outcome { readAsDocument, treatedAsUndecodable, neither };

struct FileKind {
  const char* name;  // in the data folder
  std::string (*document)(PipelineFixture&);
  void (*prepare)(PipelineFixture&);  // what else the probe needs in place
  Outcome (*probe)(PipelineFixture&);
};

const FileKind kKinds[] = {
    {"config.json", [](PipelineFixture&) -> std::string { return R"({"sequenceNumber": 7})"; },
     [](PipelineFixture&) {},
     [](PipelineFixture& f) {
       config::Config read = f.sharedConfig.readConfig();
       if (read.sequenceNumber == 7) return Outcome::readAsDocument;
       bool logged = f.logs.contains(platform::LogLevel::error, "Failed to read config: ");
       return read == config::Config{} && logged ? Outcome::treatedAsUndecodable : Outcome::neither;
     }},
    {"updater-status.json",
     [](PipelineFixture&) -> std::string { return R"({"consecutiveFailures": 5})"; },
     [](PipelineFixture&) {},
     [](PipelineFixture& f) {
       UpdaterStatusReporter reporter(4, std::nullopt, f.dataPath("updater-status.json"), f.clock,
                                      f.notifications);
       switch (reporter.status().consecutiveFailures) {
         case 5:
           return Outcome::readAsDocument;
         case 0:
           return Outcome::treatedAsUndecodable;
         default:
           return Outcome::neither;
       }
     }},
    // The copy claims another digest than the installed artifact's: read, it makes the run
    // download; refused, the artifact's own digest matches and the run stops.
    {"blocklist-v4-manifest.json",
     [](PipelineFixture& f) {
       nlohmann::json copy = f.manifest;
       copy["sha256"] = std::string(64, 'f');
       return copy.dump();
     },
     [](PipelineFixture& f) {
       platform::writeFileAtomically(f.dataPath("blocklist-v4.bin"), f.artifact);
     },
     [](PipelineFixture& f) {
       if (f.run({}) != 0) return Outcome::neither;
       return f.downloads() == 1 ? Outcome::readAsDocument : Outcome::treatedAsUndecodable;
     }},
    // The installed blocklist has other bytes than the copy describes: read, the copy makes the
    // run stop; refused, the blocklist's own digest differs and the run downloads.
    {"blocklist-metadata.json", [](PipelineFixture& f) { return f.metadata.dump(); },
     [](PipelineFixture& f) { f.dir.write("data/blocklist.bin", "other bytes"); },
     [](PipelineFixture& f) {
       if (f.run({"--format", "3"}) != 0) return Outcome::neither;
       return f.downloads() == 0 ? Outcome::readAsDocument : Outcome::treatedAsUndecodable;
     }},
};

enum class Variant { exactlyAtTheBound, oneByteOver, symlink, fifo, garbage };

struct Case {
  const FileKind* kind;
  Variant variant;
};

std::string padded(std::string document, std::size_t size) {
  document.resize(size, ' ');
  return document;
}

class LocalDocument : public ::testing::TestWithParam<Case> {};

TEST_P(LocalDocument, RefusedLikeAnUndecodableFile) {
  const auto [kind, variant] = GetParam();
  PipelineFixture f;
  kind->prepare(f);
  std::string path = f.dataPath(kind->name);
  std::string document = kind->document(f);
  std::string elsewhere = f.dir.write("elsewhere.json", document);
  switch (variant) {
    case Variant::exactlyAtTheBound:
      f.dir.write("data/" + std::string(kind->name), padded(document, json::kMaxDocumentBytes));
      break;
    case Variant::oneByteOver:
      f.dir.write("data/" + std::string(kind->name), padded(document, json::kMaxDocumentBytes + 1));
      break;
    case Variant::symlink:
      std::filesystem::create_symlink(elsewhere, path);
      break;
    case Variant::fifo:
      ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
      break;
    case Variant::garbage:
      f.dir.write("data/" + std::string(kind->name), "not json");
      break;
  }
  EXPECT_EQ(kind->probe(f), variant == Variant::exactlyAtTheBound ? Outcome::readAsDocument
                                                                  : Outcome::treatedAsUndecodable);
  EXPECT_EQ(f.dir.read("elsewhere.json"), document);  // a link's target is never written
}

std::vector<Case> allCases() {
  std::vector<Case> cases;
  for (const FileKind& kind : kKinds) {
    for (Variant variant : {Variant::exactlyAtTheBound, Variant::oneByteOver, Variant::symlink,
                            Variant::fifo, Variant::garbage}) {
      cases.push_back({&kind, variant});
    }
  }
  return cases;
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  static const char* const kVariants[] = {"ExactlyAtTheBound", "OneByteOver", "Symlink", "Fifo",
                                          "Garbage"};
  std::string name;
  for (char c : std::string(info.param.kind->name)) {
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
  }
  return name + "_" + kVariants[static_cast<int>(info.param.variant)];
}

INSTANTIATE_TEST_SUITE_P(Table, LocalDocument, ::testing::ValuesIn(allCases()), caseName);

}  // namespace
}  // namespace veltra::updater
