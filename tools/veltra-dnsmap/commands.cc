#include "commands.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

#include "dns_ip_map/dns_ip_map_reader.h"
#include "dns_ip_map/dns_ip_map_writer.h"
#include "platform/files.h"
#include "unsigned_decimal.h"

namespace veltra::dnsmap_tool {

namespace {

using dnsmap::DNSIPMapEntry;
using dnsmap::DNSIPMapWriter;

// A clock standing at the time an option gave, or the context's clock.
class FixedClock : public platform::FixedClock {
 public:
  explicit FixedClock(std::uint32_t seconds)
      : platform::FixedClock(std::chrono::system_clock::time_point(std::chrono::seconds(seconds))) {
  }
};

std::uint32_t secondsOf(const platform::Clock& clock) {
  auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(clock.now().time_since_epoch()).count();
  return static_cast<std::uint32_t>(std::clamp<long long>(seconds, 0, 0xFFFFFFFFll));
}

// Tells whether `file` is absent, empty or a map; the writer would reinitialize anything else,
// and a mistyped path must not cost someone their file.
bool isMapOrAbsent(const std::string& file, std::ostream& err) {
  auto size = platform::fileSize(file);
  if (!size || *size == 0) return true;
  auto bytes = platform::readFileIfPresent(file);
  auto header = bytes ? dnsmap::decodeHeader(*bytes) : std::nullopt;
  if (header && header->isValid()) return true;
  err << "veltra-dnsmap: " << file
      << " is not a DNS-IP map (no valid 64-byte header); leaving it alone\n";
  return false;
}

// Commits only on request: the tool decides when its one batch is complete.
std::unique_ptr<DNSIPMapWriter> startWriter(const std::string& file, const platform::Clock& clock,
                                            const ToolContext& context, std::ostream& err) {
  if (!isMapOrAbsent(file, err)) return nullptr;
  try {
    if (!platform::parentPath(file).empty())
      platform::createDirectories(platform::parentPath(file), 0755);
  } catch (const platform::SystemError& error) {
    err << "veltra-dnsmap: " << error.description() << "\n";
    return nullptr;
  }
  auto writer = std::make_unique<DNSIPMapWriter>(
      file, dnsmap::DNSIPMapWriterServices{nullptr, context.notificationCenter, &clock, nullptr},
      dnsmap::FlushPolicy{SIZE_MAX, std::chrono::hours(24 * 365)});
  if (!writer->start()) {
    err << "veltra-dnsmap: cannot open " << file
        << " as a DNS-IP map (unreadable, or another writer holds it; see the system log)\n";
    return nullptr;
  }
  return writer;
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// Reads "ip domain ttl [flags [at]]" lines; blank lines are skipped.
bool readStdinEntries(std::istream& in, std::uint32_t now, std::vector<DNSIPMapEntry>& entries,
                      std::ostream& err) {
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    auto fields = splitTabs(line);
    auto ttl =
        fields.size() >= 3 ? tools::parseUnsignedDecimal(fields[2], 0xFFFFFFFFull) : std::nullopt;
    auto flags = fields.size() >= 4 ? tools::parseUnsignedDecimal(fields[3], 0xFF)
                                    : std::optional<std::uint64_t>(0);
    auto at = fields.size() >= 5 ? tools::parseUnsignedDecimal(fields[4], 0xFFFFFFFFull)
                                 : std::optional<std::uint64_t>(now);
    if (fields.size() < 3 || fields.size() > 5 || !ttl || !flags || !at) {
      err << "veltra-dnsmap: line " << number
          << ": expected \"ip<TAB>domain<TAB>ttl[<TAB>flags[<TAB>at]]\"\n";
      return false;
    }
    entries.push_back(DNSIPMapEntry{static_cast<std::uint8_t>(*flags),
                                    static_cast<std::uint32_t>(*at),
                                    static_cast<std::uint32_t>(*ttl), fields[0], fields[1]});
  }
  return true;
}

bool requireFile(const std::string& file, std::ostream& err) {
  if (platform::fileExists(file)) return true;
  err << "veltra-dnsmap: cannot read " << file << "\n";
  return false;
}

}  // namespace

int addCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
               const ToolContext& context) {
  FixedClock fixed(options.at.value_or(0));
  const platform::Clock& clock = options.at ? fixed : *context.clock;
  const std::uint32_t now = secondsOf(clock);
  std::vector<DNSIPMapEntry> entries;
  if (options.fromStdin) {
    if (!readStdinEntries(*context.in, now, entries, err)) return kExitUsage;
  } else {
    entries.push_back(
        DNSIPMapEntry{options.flags, now, *options.ttl, *options.ip, *options.domain});
  }
  for (const auto& entry : entries) {
    if (!dnsmap::encodedEntryLength(entry)) {
      err << "veltra-dnsmap: cannot store " << entry.ip << " -> " << entry.domain
          << " (IP text at most 45 bytes, domain at most 253, together at least 2)\n";
      return kExitFailure;
    }
  }
  if (entries.empty()) {
    out << "nothing to commit\n";
    return kExitSuccess;
  }
  auto writer = startWriter(options.file, clock, context, err);
  if (!writer) return kExitFailure;
  const auto before = writer->state();
  for (auto& entry : entries) writer->record(std::move(entry));
  writer->flush();
  const auto after = writer->state();
  if (after.writeSequence == before.writeSequence) {
    err << "veltra-dnsmap: the commit failed (see the system log)\n";
    return kExitFailure;
  }
  out << "committed " << entries.size() << " entries: entryCount " << after.entryCount
      << ", committedOffset " << after.committedOffset << ", writeSequence " << after.writeSequence
      << "\n";
  return kExitSuccess;
}

int dumpCommand(const CommandOptions& options, std::ostream& out, std::ostream& err) {
  auto file = platform::readFileIfPresent(options.file);
  if (!file) {
    err << "veltra-dnsmap: cannot read " << options.file << "\n";
    return kExitFailure;
  }
  auto header = dnsmap::decodeHeader(*file);
  if (!header || !header->isValid()) {
    err << "veltra-dnsmap: " << options.file << " is not a DNS-IP map (no valid 64-byte header)\n";
    return kExitFailure;
  }
  out << "file " << options.file << " (" << file->size() << " bytes)\n"
      << "version " << header->version << "\n"
      << "entryCount " << header->entryCount << "\n"
      << "lastCompactedAt " << header->lastCompactedAt << "\n"
      << "writeSequence " << header->writeSequence << "\n"
      << "committedOffset " << header->committedOffset << "\n";
  const std::uint64_t end = std::min<std::uint64_t>(header->committedOffset, file->size());
  ByteView region = ByteView(*file).first(static_cast<std::size_t>(end));
  std::size_t offset = dnsmap::kHeaderSize;
  while (offset < region.size()) {
    auto decoded = dnsmap::decodeEntry(region, offset);
    if (!decoded) {
      out << offset << "\tunreadable: " << end - offset << " committed bytes skipped\n";
      break;
    }
    const auto& e = decoded->entry;
    out << offset << "\tlength " << decoded->length << "\tflags " << static_cast<unsigned>(e.flags)
        << "\trecordedAt " << e.recordedAt << "\tttl " << e.ttl << "\texpiresAt "
        << dnsmap::expiresAt(e.recordedAt, e.ttl) << "\t" << e.ip << "\t" << e.domain << "\n";
    offset += decoded->length;
  }
  if (header->committedOffset > file->size()) {
    out << "committedOffset is past the end of the file by "
        << header->committedOffset - file->size() << " bytes\n";
  } else if (file->size() > header->committedOffset) {
    out << "uncommitted bytes " << file->size() - header->committedOffset << "\n";
  }
  return kExitSuccess;
}

int lookupCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
                  const ToolContext& context) {
  FixedClock fixed(options.at.value_or(0));
  const platform::Clock& clock = options.at ? fixed : *context.clock;
  if (!requireFile(options.file, err)) return kExitFailure;
  dnsmap::DNSIPMapReader reader(options.file, &clock);
  reader.refresh();
  auto domains = reader.lookup(*options.ip, secondsOf(clock));
  for (const auto& domain : domains) out << domain << "\n";
  if (domains.empty()) {
    err << "veltra-dnsmap: no valid domain for " << *options.ip << "\n";
    return kExitFailure;
  }
  return kExitSuccess;
}

int compactCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
                   const ToolContext& context) {
  FixedClock fixed(options.at.value_or(0));
  const platform::Clock& clock = options.at ? fixed : *context.clock;
  if (!requireFile(options.file, err)) return kExitFailure;
  auto writer = startWriter(options.file, clock, context, err);
  if (!writer) return kExitFailure;
  const auto before = writer->state();
  if (before.committedOffset == dnsmap::kHeaderSize) {
    out << "nothing to compact: the map holds no entries\n";
    return kExitSuccess;
  }
  writer->compact();
  const auto after = writer->state();
  if (after.writeSequence == before.writeSequence) {
    err << "veltra-dnsmap: compaction failed (see the system log)\n";
    return kExitFailure;
  }
  out << "compacted: kept " << after.entryCount << " of " << before.entryCount
      << " entries, committedOffset " << before.committedOffset << " -> " << after.committedOffset
      << ", writeSequence " << after.writeSequence << "\n";
  return kExitSuccess;
}

}  // namespace veltra::dnsmap_tool
