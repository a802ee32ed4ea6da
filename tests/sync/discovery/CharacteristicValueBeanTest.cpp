#include <gtest/gtest.h>

#include <string>

#include "platform/foundation/Json.h"
#include "sync/discovery/CharacteristicValueBean.h"

namespace vl {
namespace {

CharacteristicValueBean bean(std::string ip, std::int64_t port, std::string id, std::string name,
                             std::string device) {
  CharacteristicValueBean b;
  b.setIp(std::move(ip));
  b.setPort(port);
  b.setNetworkId(std::move(id));
  b.setNetworkName(std::move(name));
  b.setDeviceName(std::move(device));
  return b;
}

TEST(CharacteristicValueBean, EncodesAllFiveKeysAndDecodesItsOwnValue) {
  const auto full =
      bean("192.168.1.20", 21900, "5C1D2A3B-0000-4000-8000-00000000CAFE", "Büro \"2\"", "studio");
  const std::string text = full.jsonData();
  EXPECT_NE(text.find('\n'), std::string::npos);  // pretty-printed
  EXPECT_EQ(CharacteristicValueBean::ofJSONData(text), full);

  // Missing values are written as "", never left out or null.
  const Json empty = Json::parse(CharacteristicValueBean().jsonData());
  EXPECT_EQ(empty,
            (Json{{"ip", ""}, {"port", 0}, {"network_id", ""}, {"network_name", ""}, {"device_name", ""}}));
}

TEST(CharacteristicValueBean, LongNamesAreCutSoTheValueFitsOneAttribute) {
  // Quotes double when escaped; the value must still fit and decode.
  const std::string name(400, '"');
  const std::string wide = std::string(300, 'x') + "\xC3\xA9";  // a two-byte character at the cut
  for (const auto& [network, device] : {std::pair{name, name}, std::pair{wide, wide}}) {
    const std::string text = bean("10.0.0.1", 21900, "id", network, device).jsonData();
    EXPECT_LE(text.size(), CharacteristicValueBean::kMaxValueBytes);
    const auto decoded = CharacteristicValueBean::ofJSONData(text);
    EXPECT_EQ(decoded.ip(), "10.0.0.1");
    EXPECT_FALSE(decoded.networkName().empty());
    EXPECT_EQ(decoded.networkName(), network.substr(0, decoded.networkName().size()));
  }
}

TEST(CharacteristicValueBean, HostileValuesDecodeToEmptyFields) {
  const std::string good =
      R"("ip":"10.0.0.2","port":21900,"network_id":"n1","network_name":"Home","device_name":"pc")";
  struct Case {
    const char* what;
    std::string data;
    CharacteristicValueBean expected;
  };
  const Case cases[] = {
      {"a good value", "{" + good + "}", bean("10.0.0.2", 21900, "n1", "Home", "pc")},
      {"garbage", "\x01\xff{{not json", {}},
      {"an array", "[1,2,3]", {}},
      {"a string", "\"10.0.0.2\"", {}},
      {"truncated", ("{" + good).substr(0, 30), {}},
      {"too long", "{" + good + ",\"pad\":\"" + std::string(600, 'p') + "\"}", {}},
      {"too deep", std::string(100, '[') + std::string(100, ']'), {}},
      {"a port as text", R"({"ip":"10.0.0.2","port":"21900"})", bean("10.0.0.2", 0, "", "", "")},
      {"ports out of range", R"({"port":0})", {}},
      {"a negative port", R"({"port":-21900})", {}},
      {"a huge port", R"({"port":18446744073709551615})", {}},
      {"a fractional port", R"({"port":21900.5})", {}},
      {"the last valid port", R"({"port":65535})", bean("", 65535, "", "", "")},
      {"wrong types",
       R"({"ip":7,"port":null,"network_id":["a"],"network_name":{"x":1},"device_name":true})",
       {}},
      {"an address of 300 characters", R"({"ip":")" + std::string(300, '1') + R"(","network_name":"ok"})",
       bean("", 0, "", "ok", "")},
      {"a host name for an address", R"({"ip":"example.org"})", {}},
      {"an IPv6 address", R"({"ip":"::1"})", {}},
      {"an address with leading zeros", R"({"ip":"010.000.000.001"})", {}},
      {"an address with five parts", R"({"ip":"1.2.3.4.5"})", {}},
      {"control characters", R"({"network_name":"a\nb","device_name":"c\u0000d"})", {}},
      {"a name over its cap", R"({"network_name":")" + std::string(161, 'n') + R"("})", {}},
      {"an identifier over its cap", R"({"network_id":")" + std::string(65, 'i') + R"("})", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CharacteristicValueBean::ofJSONData(c.data), c.expected);
  }
}

}  // namespace
}  // namespace vl
