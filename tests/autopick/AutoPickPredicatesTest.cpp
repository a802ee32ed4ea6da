#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "autopick/AutoPickConfig.h"
#include "autopick/AutoPickNode.h"
#include "autopick/AutoPickPredicates.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

struct PredicateCase {
  const char* identifier;
  std::optional<std::string> value;
  std::string text;
  Json json;
  Json extra;
  bool expected;
};

Json app(const char* name) { return Json{{"app_name", name}}; }

std::ostream& operator<<(std::ostream& out, const PredicateCase& c) {
  return out << c.identifier << " value=" << c.value.value_or("<nil>") << " text=\"" << c.text
             << "\" json=" << c.json.dump() << " extra=" << c.extra.dump();
}

class PredicateTable : public ::testing::TestWithParam<PredicateCase> {};

TEST_P(PredicateTable, AnswersAsTheRuleKindSays) {
  const PredicateCase& c = GetParam();
  auto node = std::make_shared<AutoPickNode>();
  node->setIdentifier(c.identifier);
  node->setValue(c.value);
  AutoPickPredicate predicate = AutoPickConfig::getActionOfNode(*node);
  ASSERT_NE(predicate, nullptr);
  EXPECT_EQ(predicate(c.text, c.json, c.extra, *node), c.expected) << c;
}

const Json kNone = Json();
const Json kEmpty = Json::object();

INSTANTIATE_TEST_SUITE_P(
    Kinds, PredicateTable,
    ::testing::Values(
        // Image kinds are read from the json alone.
        PredicateCase{"image", {}, "", Json{{"image", "a.png"}}, kEmpty, true},
        PredicateCase{"image", {}, "", Json{{"image_relative", "a.png"}}, kEmpty, true},
        PredicateCase{"image", {}, "", Json{{"web_image", "u"}}, kEmpty, true},
        PredicateCase{"image", {}, "", Json{{"forever_image", "1"}}, kEmpty, true},
        PredicateCase{"image", {}, "", Json{{"file", "/tmp/a"}}, kEmpty, false},
        PredicateCase{"image", {}, "", kNone, kEmpty, false},
        PredicateCase{"image", {}, "", Json::array({"image"}), kEmpty, false},
        PredicateCase{"screenshot", {}, "", Json{{"image", "a"}, {"screenshot", "1"}}, kEmpty, true},
        PredicateCase{"screenshot", {}, "", Json{{"image", "a"}}, kEmpty, false},
        // Text: neither image, file nor application; a record without json is text.
        PredicateCase{"text", {}, "hi", kEmpty, kEmpty, true},
        PredicateCase{"text", {}, "hi", kNone, kEmpty, true},
        PredicateCase{"text", {}, "hi", Json{{"file", "/tmp/a"}}, kEmpty, false},
        PredicateCase{"text", {}, "hi", Json{{"app", true}}, kEmpty, false},
        PredicateCase{"text", {}, "hi", Json{{"web_image", "u"}}, kEmpty, false},
        // Application names: exact, case-sensitive parts of the value.
        PredicateCase{"application", "Safari,Mail", "", kEmpty, app("Mail"), true},
        PredicateCase{"application", "Safari,Mail", "", kEmpty, app("Safari"), true},
        PredicateCase{"application", "Safari,Mail", "", kEmpty, app("mail"), false},
        PredicateCase{"application", "Safari,Mail", "", kEmpty, app("Mail "), false},
        PredicateCase{"application", "Safari,Mail", "", kEmpty, app("Safari,Mail"), false},
        PredicateCase{"application", "Safari,Mail", "", kEmpty, kEmpty, false},
        PredicateCase{"application", "Safari,Mail", "", kEmpty, Json{{"app_name", 3}}, false},
        PredicateCase{"application", std::nullopt, "", kEmpty, app("Mail"), false},
        // No front application must not match a rule without applications or with a stray comma.
        PredicateCase{"application", "", "", kEmpty, app(""), false},
        PredicateCase{"application", "Mail,", "", kEmpty, app(""), false},
        PredicateCase{"application", ",Mail", "", kEmpty, app("Mail"), true},
        // User expressions: case-insensitive, anywhere in the text.
        PredicateCase{"text_matched_regex", "^\\d+$", "12345", kEmpty, kEmpty, true},
        PredicateCase{"text_matched_regex", "^\\d+$", "12a", kEmpty, kEmpty, false},
        PredicateCase{"text_matched_regex", "invoice", "Your INVOICE is due", kEmpty, kEmpty, true},
        PredicateCase{"text_matched_regex", "([a-z", "([a-z", kEmpty, kEmpty, false},
        PredicateCase{"text_matched_regex", std::nullopt, "anything", kEmpty, kEmpty, false},
        PredicateCase{"text_matched_regex", "", "anything", kEmpty, kEmpty, true},
        PredicateCase{"text_matched_regex", "ö", "SCHÖN", kEmpty, kEmpty, true},
        PredicateCase{"link_matched_regex", "github\\.com", "https://GitHub.com/x", kEmpty, kEmpty, true},
        PredicateCase{"link_matched_regex", "gitlab", "https://github.com/x", kEmpty, kEmpty, false},
        // Links: a text record that begins with the link.
        PredicateCase{"link", {}, "https://example.com/a?b=c", kEmpty, kEmpty, true},
        PredicateCase{"link", {}, "FTP://host/file.txt", kEmpty, kEmpty, true},
        PredicateCase{"link", {}, "file:///home/me/notes", kEmpty, kEmpty, true},
        PredicateCase{"link", {}, "see https://example.com", kEmpty, kEmpty, false},
        PredicateCase{"link", {}, "line one\nhttps://example.com", kEmpty, kEmpty, false},
        PredicateCase{"link", {}, "mailto:me@example.com", kEmpty, kEmpty, false},
        PredicateCase{"link", {}, "https://", kEmpty, kEmpty, false},
        PredicateCase{"link", {}, "https://example.com", Json{{"file", "/tmp/x"}}, kEmpty, false}));

TEST(AutoPickRegexLimit, RunawayBacktrackingIsCutOffAndCountsAsNoMatch) {
  vl::test::LogCapture log;
  auto node = std::make_shared<AutoPickNode>();
  node->setIdentifier(AutoPickConfig::kTextMatchedRegex);
  // Nested quantifiers against a near miss: without a limit this takes 2^40 steps.
  node->setValue("^(a+)+$");
  std::string text(40, 'a');
  text += '!';

  auto start = std::chrono::steady_clock::now();
  bool picked = AutoPickPredicates::textMatchedRegex(text, Json::object(), Json::object(), *node);
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  EXPECT_FALSE(picked);
  // A liveness bound, not a timing measurement: the unbounded search would run for hours.
  EXPECT_LT(seconds, 20.0);
  bool logged = false;
  for (const auto& line : log.take()) logged |= line.find("ran out of time") != std::string::npos;
  EXPECT_TRUE(logged);

  // The same expression still answers normally on a text it settles quickly.
  EXPECT_TRUE(AutoPickPredicates::textMatchedRegex("aaaa", Json::object(), Json::object(), *node));
}

}  // namespace
}  // namespace vl
