#include "core/json_fields.h"

#include <cmath>
#include <limits>
#include <utility>

namespace veltra::json {

namespace {

// Reads an integral JSON number (a float is accepted only when it has no fraction) as a long
// double so that range checks can be made before narrowing.
std::optional<long double> integral(const nlohmann::json& value) {
  if (value.is_number_unsigned()) return static_cast<long double>(value.get<std::uint64_t>());
  if (value.is_number_integer()) return static_cast<long double>(value.get<std::int64_t>());
  if (value.is_number_float()) {
    double d = value.get<double>();
    if (std::isfinite(d) && std::floor(d) == d) return static_cast<long double>(d);
  }
  return std::nullopt;
}

// Builds the tree from nlohmann's SAX events, the way its own DOM builder does, and stops the
// parse at the first array or object that would open past kMaxNestingDepth. nlohmann's parser
// is iterative, so the stack stays flat whatever the input. Only the public SAX interface is
// used: the library's own builder is an internal type whose shape changes between releases.
//
// `open_` holds the containers being filled, outermost first; a pointer stays valid because a
// container only grows at its end while no deeper container is open. `slot_` is the member
// that the last key of the innermost object made.
class BoundedBuilder {
 public:
  using Json = nlohmann::json;

  explicit BoundedBuilder(Json& root) : root_(root) {}

  bool null() { return place(nullptr); }
  bool boolean(bool value) { return place(value); }
  bool number_integer(Json::number_integer_t value) { return place(value); }
  bool number_unsigned(Json::number_unsigned_t value) { return place(value); }
  bool number_float(Json::number_float_t value, const Json::string_t&) { return place(value); }
  bool string(Json::string_t& value) { return place(std::move(value)); }
  bool binary(Json::binary_t& value) { return place(std::move(value)); }
  bool start_object(std::size_t) { return open(Json::value_t::object); }
  bool start_array(std::size_t) { return open(Json::value_t::array); }
  bool key(Json::string_t& name) {
    slot_ = &(*open_.back())[name];
    return true;
  }
  bool end_object() { return close(); }
  bool end_array() { return close(); }
  bool parse_error(std::size_t, const std::string&, const Json::exception&) {
    failure_ = SyntaxFailure::malformed;
    return false;
  }

  std::optional<SyntaxFailure> failure() const { return failure_; }

 private:
  template <typename Value>
  Json* placeAndLocate(Value&& value) {
    if (open_.empty()) {
      root_ = Json(std::forward<Value>(value));
      return &root_;
    }
    Json& container = *open_.back();
    if (container.is_array()) {
      container.push_back(Json(std::forward<Value>(value)));
      return &container.back();
    }
    *slot_ = Json(std::forward<Value>(value));
    return slot_;
  }

  template <typename Value>
  bool place(Value&& value) {
    placeAndLocate(std::forward<Value>(value));
    return true;
  }

  bool open(Json::value_t type) {
    if (open_.size() == kMaxNestingDepth) {
      failure_ = SyntaxFailure::nestedTooDeep;
      return false;
    }
    open_.push_back(placeAndLocate(type));
    return true;
  }

  bool close() {
    open_.pop_back();
    return true;
  }

  Json& root_;
  std::vector<Json*> open_;
  Json* slot_ = nullptr;
  std::optional<SyntaxFailure> failure_;
};

}  // namespace

ParsedValue parseValue(ByteView bytes) {
  ParsedValue parsed;
  BoundedBuilder builder(parsed.value);
  bool complete = nlohmann::json::sax_parse(bytes.begin(), bytes.end(), &builder);
  if (complete) return parsed;
  // A stopped parse leaves a partial tree, no deeper than the bound; it is dropped.
  parsed.value = nullptr;
  parsed.failure = builder.failure().value_or(SyntaxFailure::malformed);
  return parsed;
}

nlohmann::json parseObject(ByteView bytes) {
  ParsedValue parsed = parseValue(bytes);
  if (parsed.failure == SyntaxFailure::nestedTooDeep)
    throw DecodingError(kNestedTooDeepDescription);
  if (parsed.failure) throw DecodingError("The data is not valid JSON.");
  if (!parsed.value.is_object()) throw DecodingError("The data is not a JSON object.");
  return std::move(parsed.value);
}

void fail(const std::string& key, const std::string& problem) {
  throw DecodingError(key + ": " + problem);
}

const nlohmann::json* FieldReader::find(const std::string& key) const {
  auto it = object_.find(key);
  if (it == object_.end() || it->is_null()) return nullptr;
  return &*it;
}

const nlohmann::json& FieldReader::requiredValue(const std::string& key) const {
  const nlohmann::json* value = find(key);
  if (value == nullptr) fail(key, "missing");
  return *value;
}

template <>
bool decode<bool>(const nlohmann::json& value, const std::string& key) {
  if (!value.is_boolean()) fail(key, "expected a boolean");
  return value.get<bool>();
}

template <>
std::int64_t decode<std::int64_t>(const nlohmann::json& value, const std::string& key) {
  if (value.is_number_integer() && !value.is_number_unsigned()) return value.get<std::int64_t>();
  if (value.is_number_unsigned()) {
    auto u = value.get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
      fail(key, "number out of range");
    return static_cast<std::int64_t>(u);
  }
  auto number = value.is_number() ? integral(value) : std::nullopt;
  if (!number) fail(key, "expected an integer");
  if (*number < -9.2233720368547758e18L || *number >= 9.2233720368547758e18L)
    fail(key, "number out of range");
  return static_cast<std::int64_t>(*number);
}

template <>
std::uint64_t decode<std::uint64_t>(const nlohmann::json& value, const std::string& key) {
  if (value.is_number_unsigned()) return value.get<std::uint64_t>();
  auto number = value.is_number() ? integral(value) : std::nullopt;
  if (!number) fail(key, "expected an integer");
  if (*number < 0 || *number >= 1.8446744073709551616e19L) fail(key, "number out of range");
  return static_cast<std::uint64_t>(*number);
}

template <>
std::uint32_t decode<std::uint32_t>(const nlohmann::json& value, const std::string& key) {
  std::uint64_t wide = decode<std::uint64_t>(value, key);
  if (wide > std::numeric_limits<std::uint32_t>::max()) fail(key, "number out of range");
  return static_cast<std::uint32_t>(wide);
}

template <>
double decode<double>(const nlohmann::json& value, const std::string& key) {
  if (!value.is_number()) fail(key, "expected a number");
  return value.get<double>();
}

template <>
std::string decode<std::string>(const nlohmann::json& value, const std::string& key) {
  if (!value.is_string()) fail(key, "expected a string");
  return value.get<std::string>();
}

template <>
std::vector<std::string> decode<std::vector<std::string>>(const nlohmann::json& value,
                                                          const std::string& key) {
  if (!value.is_array()) fail(key, "expected an array");
  std::vector<std::string> items;
  for (const auto& item : value) {
    if (!item.is_string()) fail(key, "expected an array of strings");
    items.push_back(item.get<std::string>());
  }
  return items;
}

std::string encodePretty(const nlohmann::json& value) {
  // nlohmann::json keeps object keys in a std::map, so the dump is in sorted key order.
  return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace veltra::json
