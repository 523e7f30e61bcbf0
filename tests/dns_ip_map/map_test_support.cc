#include "map_test_support.h"

#include <fstream>

#include <gtest/gtest.h>

#include "platform/files.h"

namespace veltra::dnsmap::testing {

DNSIPMapEntry makeEntry(int index, std::uint32_t recordedAt, std::uint32_t ttl) {
  return DNSIPMapEntry{static_cast<std::uint8_t>(index % 256), recordedAt, ttl,
                       "10.0." + std::to_string(index / 256) + "." + std::to_string(index % 256),
                       "host" + std::to_string(index) + ".example.com"};
}

Bytes buildMapFile(const std::vector<DNSIPMapEntry>& entries, std::uint64_t writeSequence,
                   std::uint32_t lastCompactedAt) {
  Bytes body;
  for (const auto& entry : entries) appendEncodedEntry(body, entry);
  auto header = encodeHeader(static_cast<std::uint32_t>(entries.size()), lastCompactedAt,
                             writeSequence, kHeaderSize + body.size());
  Bytes file(header.begin(), header.end());
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

void writeBytes(const std::string& path, ByteView bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

DNSIPMapHeader headerOf(const std::string& path) {
  auto header = decodeHeader(platform::readFile(path));
  EXPECT_TRUE(header && header->isValid()) << path;
  return header.value_or(DNSIPMapHeader{});
}

std::vector<DNSIPMapEntry> committedEntries(const std::string& path) {
  Bytes file = platform::readFile(path);
  auto header = decodeHeader(file);
  std::vector<DNSIPMapEntry> entries;
  if (!header || !header->isValid()) return entries;
  ByteView region =
      ByteView(file).first(std::min<std::size_t>(file.size(), header->committedOffset));
  std::size_t offset = kHeaderSize;
  while (auto decoded = decodeEntry(region, offset)) {
    entries.push_back(decoded->entry);
    offset += decoded->length;
  }
  return entries;
}

}  // namespace veltra::dnsmap::testing
