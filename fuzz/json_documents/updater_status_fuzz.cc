// Decodes arbitrary bytes as "updater-status.json": either a record or json::DecodingError,
// and a decoded record survives its own encoding unchanged.
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "core/json_fields.h"
#include "fuzz_check.h"
#include "updater/blocklist_updater_status.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using veltra::updater::BlocklistUpdaterStatus;
  const veltra::platform::TimePoint now{std::chrono::seconds(1'800'000'000)};
  BlocklistUpdaterStatus status;
  try {
    status = BlocklistUpdaterStatus::decode(veltra::ByteView(data, size), now);
  } catch (const veltra::json::DecodingError&) {
    return 0;
  }
  std::string text = status.encode();
  veltra::fuzzing::check(BlocklistUpdaterStatus::decode(veltra::asBytes(text), now) == status,
                         "an encoded record decodes to itself");
  return 0;
}
