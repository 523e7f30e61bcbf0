// The record of "updater-status.json": where the current or last update run stands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/bytes.h"
#include "platform/iso8601.h"

namespace veltra::updater {

struct BlocklistUpdaterStatus {
  enum class Phase { idle, checking, downloading, installing, upToDate, complete, failed };
  enum class Trigger { launchd, daemon };
  enum class FailureKind { network, server, integrity, disk, other };

  Phase phase = Phase::idle;
  std::int64_t formatVersion = 4;
  std::optional<Trigger> trigger;
  std::int64_t bytesReceived = 0;
  std::int64_t bytesExpected = 0;
  std::int64_t consecutiveFailures = 0;
  std::optional<platform::TimePoint> startedAt;
  platform::TimePoint updatedAt;
  std::optional<FailureKind> failureKind;
  std::optional<std::string> failureMessage;

  // Decodes leniently: missing or null keys take their defaults ("updatedAt" = `now`); a wrong
  // type or an unknown enumeration string throws json::DecodingError; unknown keys are ignored.
  static BlocklistUpdaterStatus decode(ByteView bytes, platform::TimePoint now);
  // Returns the JSON object; absent optionals are left out.
  nlohmann::json toJson() const;
  // Returns the JSON text, indented with sorted keys.
  std::string encode() const;

  friend bool operator==(const BlocklistUpdaterStatus&, const BlocklistUpdaterStatus&) = default;
};

using Phase = BlocklistUpdaterStatus::Phase;
using Trigger = BlocklistUpdaterStatus::Trigger;
using FailureKind = BlocklistUpdaterStatus::FailureKind;

std::string_view rawValue(Phase phase);
std::string_view rawValue(Trigger trigger);
std::string_view rawValue(FailureKind kind);
std::optional<Phase> phaseFromRawValue(std::string_view raw);
std::optional<Trigger> triggerFromRawValue(std::string_view raw);
std::optional<FailureKind> failureKindFromRawValue(std::string_view raw);

}  // namespace veltra::updater
