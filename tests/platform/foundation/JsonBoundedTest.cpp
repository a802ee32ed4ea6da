#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/JsonBounded.h"

namespace vl {
namespace {

std::string nested(std::size_t depth, const std::string& open, const std::string& close) {
  std::string out;
  for (std::size_t i = 0; i < depth; ++i) out += open;
  out += "1";
  for (std::size_t i = 0; i < depth; ++i) out += close;
  return out;
}

TEST(JsonBoundedTest, DepthAndSizeAreBoundedWhileParsing) {
  using Status = BoundedJson::Status;
  struct Case {
    std::string text;
    Status status;
    std::size_t maxBytes = 1 << 20;
  };
  const std::vector<Case> cases = {
      {R"({"a": [1, {"b": null}], "c": "d"})", Status::Ok},
      {"7", Status::Ok},
      {nested(8, "[", "]"), Status::Ok},
      {nested(8, "{\"k\":", "}"), Status::Ok},
      {nested(9, "[", "]"), Status::TooDeep},
      {nested(9, "{\"k\":", "}"), Status::TooDeep},
      // Refused at the ninth level, long before the text ends.
      {nested(200000, "[", "]"), Status::TooDeep},
      {std::string(200000, '['), Status::TooDeep},
      {"[1, 2, 3]", Status::TooLarge, 8},
      // Brackets inside strings, escaped quotes included, are text, not nesting.
      {"[\"[[[[[[[[[\\\"[[\", \"]]]\"]", Status::Ok},
      {"", Status::NotJson},
      {"{\"a\": ", Status::NotJson},
      {"[1] trailing", Status::NotJson},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    BoundedJson parsed = parseJsonBounded(c.text, 8, c.maxBytes);
    EXPECT_EQ(parsed.status, c.status);
    EXPECT_EQ(parsed.value.has_value(), c.status == Status::Ok);
    EXPECT_EQ(parsed.reason.empty(), c.status == Status::Ok);
  }
  EXPECT_EQ(*parseJsonBounded(R"({"a": [1, {"b": null}], "a": 2})", 8, 100).value, (Json{{"a", 2}}));
}

// A record list one of whose records holds a list where a text belongs keeps its other records.
TEST(JsonBoundedTest, ContainersPastTheBoundCanStandAsNull) {
  struct Case {
    std::string text;
    Json expected;
  };
  const std::vector<Case> cases = {
      {R"([1, [2, [3, [4]]], 5])", Json::parse("[1, [2, null], 5]")},
      // The keys around the one that stands as null keep their own values.
      {R"({"a": {"b": {"c": {"d": 1}}, "e": 2}, "f": 3})",
       Json::parse(R"({"a": {"b": null, "e": 2}, "f": 3})")},
      {"[1, " + nested(200000, "[", "]") + ", 2]", Json::parse("[1, [null], 2]")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    BoundedJson parsed = parseJsonBounded(c.text, 2, 1 << 20, DeepContainers::Null);
    ASSERT_TRUE(parsed.ok()) << parsed.reason;
    EXPECT_EQ(*parsed.value, c.expected);
  }
  // Damage is still damage.
  EXPECT_EQ(parseJsonBounded("[[[1]", 2, 100, DeepContainers::Null).status, BoundedJson::Status::NotJson);
}

}  // namespace
}  // namespace vl
