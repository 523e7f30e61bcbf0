// The filter's hold on an installed V4 artifact: the open artifact, the enabled and tracker
// category keys, and the verdict bitmaps computed from them once.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "artifact_client/v4_artifact.h"
#include "artifact_format/verdict_bitmap.h"

namespace veltra::legacy {

// Owns the artifact (and through it the mapping). Immutable after construction, so lookups from
// several threads at once are safe.
class V4Engine {
 public:
  // Takes `artifact` and computes `verdict` from `enabledKeys` and `trackerVerdict` from
  // `trackerKeys`; keys the artifact does not know select nothing.
  V4Engine(std::unique_ptr<const BlocklistV4Client::V4Artifact> artifact,
           std::set<std::string> enabledKeys, std::set<std::string> trackerKeys)
      : artifact(std::move(artifact)),
        enabledKeys(std::move(enabledKeys)),
        trackerKeys(std::move(trackerKeys)),
        verdict(this->artifact->verdict(this->enabledKeys)),
        trackerVerdict(this->artifact->verdict(this->trackerKeys)) {}
  V4Engine(const V4Engine&) = delete;
  V4Engine& operator=(const V4Engine&) = delete;

  const std::unique_ptr<const BlocklistV4Client::V4Artifact> artifact;
  const std::set<std::string> enabledKeys;
  const std::set<std::string> trackerKeys;
  const BlocklistV4Format::VerdictBitmap verdict;
  const BlocklistV4Format::VerdictBitmap trackerVerdict;
};

}  // namespace veltra::legacy
