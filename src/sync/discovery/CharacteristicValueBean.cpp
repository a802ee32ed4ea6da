#include "sync/discovery/CharacteristicValueBean.h"

#include <arpa/inet.h>

#include <algorithm>
#include <vector>

#include "platform/foundation/Json.h"
#include "platform/foundation/JsonBounded.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

// A value is one flat object; a little nesting inside a field is refused field by field, more is not
// parsed at all.
constexpr std::size_t kMaxDepth = 8;

bool hasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
  });
}

// Cut to `bytes` without splitting a UTF-8 sequence.
std::string cut(const std::string& text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// Valid UTF-8 without control characters, so the value decodes on the other side as it was meant.
std::string withoutControls(const std::string& raw) {
  std::string text = sanitizeUtf8(raw);
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = ' ';
  }
  return text;
}

bool isDottedIPv4(const std::string& text) {
  in_addr address{};
  return !text.empty() && text.size() <= 15 && inet_pton(AF_INET, text.c_str(), &address) == 1;
}

}  // namespace

CharacteristicValueBean CharacteristicValueBean::ofJSONData(std::string_view data) {
  CharacteristicValueBean bean;
  const BoundedJson parsed = parseJsonBounded(data, kMaxDepth, kMaxValueBytes);
  if (!parsed.ok() || !parsed.value->is_object()) {
    logWarningf("sync: a discovered network's value is not a JSON object (%zu bytes; %s)", data.size(),
                parsed.ok() ? "another JSON value" : parsed.reason.c_str());
    return bean;
  }
  const Json& object = *parsed.value;
  std::vector<std::string> refused;
  auto text = [&](const char* key, std::size_t cap, bool (*valid)(const std::string&)) -> std::string {
    auto it = object.find(key);
    if (it == object.end()) return {};
    if (it->is_string()) {
      const auto& value = it->get_ref<const std::string&>();
      if (value.size() <= cap && !hasControl(value) && (!valid || valid(value))) return value;
    }
    refused.push_back(key);
    return {};
  };
  bean.ip_ = text("ip", 15, &isDottedIPv4);
  bean.networkId_ = text("network_id", kMaxIdBytes, nullptr);
  bean.networkName_ = text("network_name", kMaxNameBytes, nullptr);
  bean.deviceName_ = text("device_name", kMaxNameBytes, nullptr);
  if (auto it = object.find("port"); it != object.end()) {
    // Only a whole number in range: a port written as text, a fraction or a negative number is refused.
    // A number that is not negative is stored unsigned.
    const std::uint64_t port = it->is_number_unsigned() ? it->get<std::uint64_t>() : 0;
    if (port >= 1 && port <= 65535) {
      bean.port_ = static_cast<std::int64_t>(port);
    } else {
      refused.push_back("port");
    }
  }
  if (!refused.empty()) {
    std::string keys;
    for (const auto& key : refused) keys += (keys.empty() ? "" : ", ") + key;
    logWarningf("sync: a discovered network's value has unusable fields (%s); they are left empty",
                keys.c_str());
  }
  return bean;
}

std::string CharacteristicValueBean::jsonData() const {
  std::string networkName = cut(withoutControls(networkName_), kMaxNameBytes);
  std::string deviceName = cut(withoutControls(deviceName_), kMaxNameBytes);
  const std::string ip = cut(withoutControls(ip_), 15);
  const std::string networkId = cut(withoutControls(networkId_), kMaxIdBytes);
  for (;;) {
    const Json object = {{"ip", ip},
                         {"port", port_},
                         {"network_id", networkId},
                         {"network_name", networkName},
                         {"device_name", deviceName}};
    std::string text = dumpJson(object, 1);
    if (text.size() <= kMaxValueBytes || (networkName.empty() && deviceName.empty())) return text;
    // Escapes made the text too long. An escape takes at most two bytes, so cutting half of what is over
    // from the longer name each time ends close to the limit, and both names keep what fits.
    std::string& longer = networkName.size() >= deviceName.size() ? networkName : deviceName;
    const std::size_t step = std::max<std::size_t>(1, (text.size() - kMaxValueBytes) / 2);
    longer = cut(longer, longer.size() > step ? longer.size() - step : 0);
  }
}

}  // namespace vl
