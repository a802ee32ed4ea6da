#include "platform/foundation/Json.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/foundation/Log.h"

namespace vl {

std::optional<Json> parseJson(std::string_view text, std::string_view what) {
  Json value = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
  if (value.is_discarded()) {
    // The parser's own message needs exceptions; run it again only on the failure path for the text.
    std::string reason = "not JSON";
    try {
      Json again = Json::parse(text.begin(), text.end());
      (void)again;
    } catch (const Json::exception& e) {
      reason = e.what();
    }
    logWarningf("json: cannot parse %.*s (%zu bytes): %s", static_cast<int>(what.size()), what.data(),
                text.size(), reason.c_str());
    return std::nullopt;
  }
  return value;
}

std::string dumpJson(const Json& value, int indent) {
  return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

std::optional<Json> jsonMember(const Json& object, std::string_view key) {
  if (!object.is_object()) return std::nullopt;
  auto it = object.find(key);
  if (it == object.end()) return std::nullopt;
  return *it;
}

std::string jsonString(const Json& object, std::string_view key, std::string fallback) {
  if (!object.is_object()) return fallback;
  auto it = object.find(key);
  if (it == object.end() || !it->is_string()) return fallback;
  return it->get<std::string>();
}

long long jsonInteger(const Json& object, std::string_view key, long long fallback) {
  if (!object.is_object()) return fallback;
  auto it = object.find(key);
  if (it == object.end()) return fallback;
  if (it->is_number_integer()) return it->get<long long>();
  if (it->is_number_float()) {
    // Casting a double outside the range of long long is undefined: saturate, and NaN reads as the fallback.
    double d = it->get<double>();
    if (std::isnan(d)) return fallback;
    if (d >= 9.2233720368547758e18) return std::numeric_limits<long long>::max();
    if (d <= -9.2233720368547758e18) return std::numeric_limits<long long>::min();
    return static_cast<long long>(d);
  }
  if (it->is_boolean()) return it->get<bool>() ? 1 : 0;
  if (it->is_string()) {
    const std::string& s = it->get_ref<const std::string&>();
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (end != s.c_str()) return v;
  }
  return fallback;
}

double jsonDouble(const Json& object, std::string_view key, double fallback) {
  if (!object.is_object()) return fallback;
  auto it = object.find(key);
  if (it == object.end()) return fallback;
  if (it->is_number()) return it->get<double>();
  if (it->is_boolean()) return it->get<bool>() ? 1 : 0;
  if (it->is_string()) {
    const std::string& s = it->get_ref<const std::string&>();
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str()) return v;
  }
  return fallback;
}

bool jsonBool(const Json& object, std::string_view key, bool fallback) {
  if (!object.is_object()) return fallback;
  auto it = object.find(key);
  if (it == object.end()) return fallback;
  if (it->is_boolean()) return it->get<bool>();
  if (it->is_number_integer()) return it->get<long long>() != 0;
  if (it->is_number_float()) return it->get<double>() != 0;
  if (it->is_string()) {
    const std::string& s = it->get_ref<const std::string&>();
    return s == "YES" || s == "yes" || s == "true" || s == "1";
  }
  return fallback;
}

}  // namespace vl
