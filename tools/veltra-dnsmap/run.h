// veltra-dnsmap: add entries to, print, query and compact a DNS-IP map file.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/darwin_notification_center.h"

namespace veltra::dnsmap_tool {

// Exit statuses of the tool.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// What a run reads and posts besides its arguments.
struct ToolContext {
  std::istream* in = nullptr;
  // Folder of the default map file "dns-ip-map.bin".
  std::string dataDirectory;
  platform::DarwinNotificationCenter* notificationCenter = nullptr;
  const platform::Clock* clock = nullptr;
};

// Runs the tool against the process environment (VELTRA_DATA_DIR, standard input, the system
// clock and notification center). Returns the exit status.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Runs the tool with `context`; every member must be set.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const ToolContext& context);

}  // namespace veltra::dnsmap_tool
