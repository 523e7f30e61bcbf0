#include "updater/blocklist_updater_status.h"

#include <array>

#include "config/json_dates.h"
#include "core/json_fields.h"

namespace veltra::updater {

namespace {

constexpr std::array<std::string_view, 7> kPhases = {
    "idle", "checking", "downloading", "installing", "upToDate", "complete", "failed"};
constexpr std::array<std::string_view, 2> kTriggers = {"launchd", "daemon"};
constexpr std::array<std::string_view, 5> kFailureKinds = {"network", "server", "integrity", "disk",
                                                           "other"};

template <typename E, std::size_t N>
std::optional<E> fromRaw(const std::array<std::string_view, N>& table, std::string_view raw) {
  for (std::size_t i = 0; i < N; ++i) {
    if (table[i] == raw) return static_cast<E>(i);
  }
  return std::nullopt;
}

template <typename E, std::size_t N>
std::optional<E> enumField(const nlohmann::json& object, const std::string& key,
                           const std::array<std::string_view, N>& table) {
  std::optional<std::string> raw;
  json::FieldReader(object).optional(key, raw);
  if (!raw) return std::nullopt;
  auto value = fromRaw<E>(table, *raw);
  if (!value) json::fail(key, "unknown value \"" + *raw + "\"");
  return value;
}

}  // namespace

std::string_view rawValue(Phase phase) { return kPhases[static_cast<std::size_t>(phase)]; }
std::string_view rawValue(Trigger trigger) { return kTriggers[static_cast<std::size_t>(trigger)]; }
std::string_view rawValue(FailureKind kind) {
  return kFailureKinds[static_cast<std::size_t>(kind)];
}
std::optional<Phase> phaseFromRawValue(std::string_view raw) {
  return fromRaw<Phase>(kPhases, raw);
}
std::optional<Trigger> triggerFromRawValue(std::string_view raw) {
  return fromRaw<Trigger>(kTriggers, raw);
}
std::optional<FailureKind> failureKindFromRawValue(std::string_view raw) {
  return fromRaw<FailureKind>(kFailureKinds, raw);
}

BlocklistUpdaterStatus BlocklistUpdaterStatus::decode(ByteView bytes, platform::TimePoint now) {
  nlohmann::json o = json::parseObject(bytes);
  json::FieldReader fields(o);
  BlocklistUpdaterStatus s;
  s.phase = enumField<Phase>(o, "phase", kPhases).value_or(Phase::idle);
  fields.optional("formatVersion", s.formatVersion);
  s.trigger = enumField<Trigger>(o, "trigger", kTriggers);
  fields.optional("bytesReceived", s.bytesReceived);
  fields.optional("bytesExpected", s.bytesExpected);
  fields.optional("consecutiveFailures", s.consecutiveFailures);
  s.startedAt = config::optionalDate(o, "startedAt");
  s.updatedAt = config::optionalDate(o, "updatedAt").value_or(now);
  s.failureKind = enumField<FailureKind>(o, "failureKind", kFailureKinds);
  fields.optional("failureMessage", s.failureMessage);
  return s;
}

nlohmann::json BlocklistUpdaterStatus::toJson() const {
  nlohmann::json o = nlohmann::json::object();
  o["phase"] = std::string(rawValue(phase));
  o["formatVersion"] = formatVersion;
  if (trigger) o["trigger"] = std::string(rawValue(*trigger));
  o["bytesReceived"] = bytesReceived;
  o["bytesExpected"] = bytesExpected;
  o["consecutiveFailures"] = consecutiveFailures;
  if (startedAt) o["startedAt"] = platform::formatIso8601(*startedAt);
  o["updatedAt"] = platform::formatIso8601(updatedAt);
  if (failureKind) o["failureKind"] = std::string(rawValue(*failureKind));
  if (failureMessage) o["failureMessage"] = *failureMessage;
  return o;
}

std::string BlocklistUpdaterStatus::encode() const { return json::encodePretty(toJson()); }

}  // namespace veltra::updater
