#include "updater/blocklist_updater_status.h"

#include "config/json_dates.h"
#include "core/json_fields.h"
#include "core/raw_value_table.h"

namespace veltra::updater {

namespace {

constexpr auto kPhases = rawValueTable<Phase, std::string_view>(
    {"idle", "checking", "downloading", "installing", "upToDate", "complete", "failed"});
constexpr auto kTriggers = rawValueTable<Trigger, std::string_view>({"launchd", "daemon"});
constexpr auto kFailureKinds = rawValueTable<FailureKind, std::string_view>(
    {"network", "server", "integrity", "disk", "other"});

template <typename Enum, std::size_t N>
std::optional<Enum> enumField(const nlohmann::json& object, const std::string& key,
                              const RawValueTable<Enum, std::string_view, N>& table) {
  std::optional<std::string> raw;
  json::FieldReader(object).optional(key, raw);
  if (!raw) return std::nullopt;
  auto value = table.fromRaw(*raw);
  if (!value) json::fail(key, "unknown value \"" + *raw + "\"");
  return value;
}

}  // namespace

std::string_view rawValue(Phase phase) { return kPhases.toRaw(phase); }
std::string_view rawValue(Trigger trigger) { return kTriggers.toRaw(trigger); }
std::string_view rawValue(FailureKind kind) { return kFailureKinds.toRaw(kind); }
std::optional<Phase> phaseFromRawValue(std::string_view raw) { return kPhases.fromRaw(raw); }
std::optional<Trigger> triggerFromRawValue(std::string_view raw) { return kTriggers.fromRaw(raw); }
std::optional<FailureKind> failureKindFromRawValue(std::string_view raw) {
  return kFailureKinds.fromRaw(raw);
}

BlocklistUpdaterStatus BlocklistUpdaterStatus::decode(ByteView bytes, platform::TimePoint now) {
  nlohmann::json o = json::parseObject(bytes);
  json::FieldReader fields(o);
  BlocklistUpdaterStatus s;
  s.phase = enumField(o, "phase", kPhases).value_or(Phase::idle);
  fields.optional("formatVersion", s.formatVersion);
  s.trigger = enumField(o, "trigger", kTriggers);
  fields.optional("bytesReceived", s.bytesReceived);
  fields.optional("bytesExpected", s.bytesExpected);
  fields.optional("consecutiveFailures", s.consecutiveFailures);
  s.startedAt = config::optionalDate(o, "startedAt");
  s.updatedAt = config::optionalDate(o, "updatedAt").value_or(now);
  s.failureKind = enumField(o, "failureKind", kFailureKinds);
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
