// Decodes arbitrary bytes as "config.json" and migrates the record, the way every read does:
// either a record or json::DecodingError. The written form of a migrated record reads back as
// the same record, and migrating it again changes nothing.
#include <cstddef>
#include <cstdint>

#include "config/config.h"
#include "config/config_migration.h"
#include "core/json_fields.h"
#include "fuzz_check.h"

namespace {

class DiscardingSink : public veltra::platform::LogSink {
 public:
  void write(const veltra::platform::LogRecord&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using veltra::config::Config;
  static DiscardingSink sink;
  static veltra::platform::ScopedLogSink scope(sink);
  static const veltra::platform::Logger logger("fuzz", "config");
  Config config;
  try {
    config = Config::decode(veltra::ByteView(data, size));
  } catch (const veltra::json::DecodingError&) {
    return 0;
  }
  veltra::config::migrateConfig(config, logger);
  std::string text = config.encode();
  Config reread = Config::decode(veltra::asBytes(text));
  veltra::fuzzing::check(reread == config, "an encoded record decodes to itself");
  veltra::config::migrateConfig(reread, logger);
  veltra::fuzzing::check(reread == config, "migrations are idempotent");
  return 0;
}
