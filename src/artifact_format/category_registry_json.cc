// Decoding of the registry's JSON wire form.
#include <nlohmann/json.hpp>

#include "artifact_format/category_registry.h"
#include "core/json_fields.h"

namespace BlocklistV4Format {
namespace {

using nlohmann::json;
using Registry = CategoryRegistry;

[[noreturn]] void fail(const std::string& path, const std::string& problem) {
  throw RegistryDecodingError("registry JSON " + (path.empty() ? "document" : path) + ": " +
                              problem);
}

std::string join(const std::string& path, const char* key) {
  return path.empty() ? std::string(key) : path + "." + key;
}

const json* member(const json& object, const char* key) {
  auto found = object.find(key);
  if (found == object.end() || found->is_null()) return nullptr;
  return &*found;
}

std::int64_t asInteger(const json& value, const std::string& path) {
  if (!value.is_number_integer()) fail(path, "expected an integer");
  if (value.is_number_unsigned() &&
      value.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)) {
    fail(path, "integer out of range");
  }
  return value.get<std::int64_t>();
}

std::string asString(const json& value, const std::string& path) {
  if (!value.is_string()) fail(path, "expected a string");
  return value.get<std::string>();
}

const json& required(const json& object, const char* key, const std::string& path) {
  const json* value = member(object, key);
  if (!value) fail(join(path, key), "required key is missing");
  return *value;
}

std::optional<std::int64_t> optionalInteger(const json& object, const char* key,
                                            const std::string& path) {
  const json* value = member(object, key);
  if (!value) return std::nullopt;
  return asInteger(*value, join(path, key));
}

std::optional<std::string> optionalString(const json& object, const char* key,
                                          const std::string& path) {
  const json* value = member(object, key);
  if (!value) return std::nullopt;
  return asString(*value, join(path, key));
}

const json& requiredObject(const json& object, const char* key, const std::string& path) {
  const json& value = required(object, key, path);
  if (!value.is_object()) fail(join(path, key), "expected an object");
  return value;
}

const json& requiredArray(const json& object, const char* key, const std::string& path) {
  const json& value = required(object, key, path);
  if (!value.is_array()) fail(join(path, key), "expected an array");
  return value;
}

Registry::DataSource decodeData(const json& data, const std::string& path) {
  Registry::DataSource source;
  std::string kind = asString(required(data, "kind", path), join(path, "kind"));
  source.noteText = optionalString(data, "note", path);
  if (kind == "upstream") {
    source.kind = Registry::DataSource::Kind::upstream;
    source.noteText.reset();
    Registry::Upstream& up = source.upstreamSettings;
    up.baseUrl = optionalString(data, "baseUrl", path).value_or("");
    up.file = optionalString(data, "file", path).value_or("");
    up.format = optionalString(data, "format", path).value_or("domains");
    up.displayName = optionalString(data, "displayName", path).value_or("");
    up.minBytes = optionalInteger(data, "minBytes", path).value_or(0);
    up.minParsedEntries = optionalInteger(data, "minParsedEntries", path);
    up.minCoverage = optionalInteger(data, "minCoverage", path);
    up.maxStaleDays = optionalInteger(data, "maxStaleDays", path);
  } else if (kind == "embeddedWildcard") {
    source.kind = Registry::DataSource::Kind::embeddedWildcard;
    if (const json* suffixes = member(data, "suffixes")) {
      if (!suffixes->is_array()) fail(join(path, "suffixes"), "expected an array");
      for (std::size_t i = 0; i < suffixes->size(); ++i) {
        source.suffixes.push_back(
            asString((*suffixes)[i], join(path, "suffixes") + "[" + std::to_string(i) + "]"));
      }
    }
  } else {
    source.kind = Registry::DataSource::Kind::none;
  }
  return source;
}

Registry::Entry decodeEntry(const json& raw, const std::string& path) {
  if (!raw.is_object()) fail(path, "expected an object");
  Registry::Entry entry;
  entry.id = optionalInteger(raw, "id", path);
  entry.name = asString(required(raw, "name", path), join(path, "name"));
  std::string status = asString(required(raw, "status", path), join(path, "status"));
  std::optional<RegistryStatus> parsed = registryStatusFromRawValue(status);
  if (!parsed) fail(join(path, "status"), "unknown status '" + status + "'");
  entry.status = *parsed;
  entry.v3Id = optionalInteger(raw, "v3Id", path);
  entry.parent = optionalString(raw, "parent", path);
  entry.data = decodeData(requiredObject(raw, "data", path), join(path, "data"));
  return entry;
}

Registry::Block decodeBlock(const json& raw, const std::string& path) {
  if (!raw.is_object()) fail(path, "expected an object");
  const json& range = requiredArray(raw, "range", path);
  if (range.size() < 2) fail(join(path, "range"), "expected at least two integers");
  Registry::Block block;
  block.lowerBound = asInteger(range[0], join(path, "range[0]"));
  block.upperBound = asInteger(range[1], join(path, "range[1]"));
  block.name = asString(required(raw, "name", path), join(path, "name"));
  return block;
}

}  // namespace

CategoryRegistry CategoryRegistry::decode(veltra::ByteView bytes) {
  veltra::json::ParsedValue parsed = veltra::json::parseValue(bytes);
  if (parsed.failure == veltra::json::SyntaxFailure::nestedTooDeep) {
    fail("", "nested deeper than " + std::to_string(veltra::json::kMaxNestingDepth) + " levels");
  }
  if (parsed.failure) fail("", "not valid JSON");
  const json& document = parsed.value;
  if (!document.is_object()) fail("", "expected an object");
  asInteger(required(document, "version", ""), "version");
  const json& idSpace = requiredObject(document, "idSpace", "");
  std::int64_t size = asInteger(required(idSpace, "size", "idSpace"), "idSpace.size");
  std::vector<Block> blocks;
  const json& rawBlocks = requiredArray(document, "blocks", "");
  for (std::size_t i = 0; i < rawBlocks.size(); ++i) {
    blocks.push_back(decodeBlock(rawBlocks[i], "blocks[" + std::to_string(i) + "]"));
  }
  std::vector<Entry> entries;
  const json& rawEntries = requiredArray(document, "categories", "");
  for (std::size_t i = 0; i < rawEntries.size(); ++i) {
    entries.push_back(decodeEntry(rawEntries[i], "categories[" + std::to_string(i) + "]"));
  }
  return CategoryRegistry(std::move(entries), std::move(blocks), size);
}

}  // namespace BlocklistV4Format
