#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Files.h"
#include "platform/foundation/Regex.h"
#include "platform/foundation/Url.h"
#include "think/TextScan.h"
#include "think/ThinkTestSupport.h"

namespace vl::test {
namespace {

using Features = std::vector<int>;
using Names = std::vector<std::string>;

class ThinkFeaturesTest : public ThinkTest {};

TEST_F(ThinkFeaturesTest, WhatEachInputOffersInOrder) {
  dictionary_->setDefinition("apple", "apple\n   n 1: fruit with red or yellow skin");
  struct Case {
    const char* what;
    std::optional<std::string> search;
    std::optional<std::string> record;
    std::optional<Json> json;
    Features features;
    Names actions;
    std::string text;  // what the actions work on
  };
  const Json app = {{"app", true}, {"app_path", "/usr/share/applications/ledger.desktop"}};
  const std::vector<Case> cases = {
      {"a short name",
       std::nullopt,
       "camelCaseName",
       std::nullopt,
       {6, 12},
       {"UpperAction"},
       "camelCaseName"},
      {"now, as typed in capitals",
       "Now",
       std::nullopt,
       std::nullopt,
       {3},
       {"DateAction", "NowTimestampAction"},
       "now"},
      {"random with a count wins over the record",
       "random5",
       "12345",
       std::nullopt,
       {17},
       {"RandomAction"},
       "random5"},
      {"a table command in capitals", "MKTB3", std::nullopt, std::nullopt, {19}, {"MKTableAction"}, "mktb3"},
      {"a Greek name in another spelling",
       "Delta",
       std::nullopt,
       std::nullopt,
       {13},
       {"MathSymbolAction"},
       "delta"},
      {"a length in centimetres", "10CM", std::nullopt, std::nullopt, {15}, {"CMConvertAction"}, "10cm"},
      {"a 20-character search goes to the record",
       "abcdefghijklmnopqrst",
       "12345",
       std::nullopt,
       {1, 12, 14},
       {"SecondAction"},
       "12345"},
      {"thirteen digits",
       std::nullopt,
       "1700000000999",
       std::nullopt,
       {1, 12, 14, 18},
       {"SecondAction", "TimestampAction"},
       "1700000000999"},
      {"thousands", std::nullopt, "12000", std::nullopt, {1, 12, 14}, {"KAction", "SecondAction"}, "12000"},
      {"three zeros alone", std::nullopt, "000", std::nullopt, {1, 12}, {"NoneAction"}, "000"},
      {"lines of digits",
       std::nullopt,
       "1\n2\n3",
       std::nullopt,
       {9, 11, 12},
       {"SortSplitByCRLFAction", "CombineAction"},
       "1\n2\n3"},
      {"lines ending in CRLF",
       std::nullopt,
       "10\r\n9\r\n1",
       std::nullopt,
       {9, 11, 12},
       {"SortSplitByCRLFAction", "CombineAction"},
       "10\r\n9\r\n1"},
      {"digits and commas on lines",
       std::nullopt,
       "1,\n2,\n3",
       std::nullopt,
       {11, 12, 16},
       {"CombineAction", "SortSplitByCommaAndCRLFAction"},
       "1,\n2,\n3"},
      {"digits and commas",
       std::nullopt,
       "1,2,3",
       std::nullopt,
       {10, 11, 12},
       {"SortSplitByCommaAction", "CombineAction"},
       "1,2,3"},
      {"digit lines with a closing line end",
       std::nullopt,
       "1\n2\n",
       std::nullopt,
       {12},
       {"NoneAction"},
       "1\n2\n"},
      {"exactly 15 characters",
       std::nullopt,
       "abcdefghijklmno",
       std::nullopt,
       {12},
       {"NoneAction"},
       "abcdefghijklmno"},
      {"a long text",
       std::nullopt,
       "a text of more than fifteen units",
       std::nullopt,
       {5, 7},
       {"LenAction", "Md5Action"},
       "a text of more than fifteen units"},
      {"an application",
       std::nullopt,
       "Ledger",
       app,
       {4, 6, 12},
       {"TerminateAppAction", "UpperAction"},
       "Ledger"},
      {"a word the dictionary knows",
       std::nullopt,
       "apple",
       std::nullopt,
       {6, 12, 20},
       {"DictionaryAction", "UpperAction"},
       "apple"},
      {"the same word with a line end is never looked up",
       std::nullopt,
       "apple\n",
       std::nullopt,
       {6, 12},
       {"UpperAction"},
       "apple\n"},
      {"no record and an ordinary search", "hello", std::nullopt, std::nullopt, {}, {"NoneAction"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto think = Think::dump(c.search, c.record, c.json);
    EXPECT_EQ(think->featsDict().numbers(), c.features);
    EXPECT_EQ(namesOf(think->getActions()), c.actions);
    EXPECT_EQ(think->text(), c.text);
  }
}

TEST_F(ThinkFeaturesTest, FileAndImageRecordsOfferTheirFileWhileItsFolderCanBeRead) {
  TempDir dir("vl-think-files");
  const std::string file = dir / "a report.txt";
  const std::string image = dir / "shot.png";
  ASSERT_TRUE(files::atomicWrite(file, "x"));
  ASSERT_TRUE(files::atomicWrite(image, "png"));
  const Names both = {"FileAction", "FolderAction", "LenAction", "Md5Action"};
  const Json fileJson = {{"file", percentEncode(file, PercentSet::Path)}};
  EXPECT_EQ(namesOf(Think::dump(std::nullopt, file, fileJson)->getActions()), both);
  const Json imageJson = {{"image", percentEncode(image, PercentSet::Path)}};
  EXPECT_EQ(namesOf(Think::dump(std::nullopt, "an image of the screen", imageJson)->getActions()), both);
  // A file under a folder that is gone offers nothing of the sort.
  const Json goneJson = {{"file", "/no/such/folder/file.txt"}};
  EXPECT_FALSE(Think::dump(std::nullopt, "/no/such/folder/file.txt", goneJson)->featsDict().has(8));
}

TEST_F(ThinkFeaturesTest, TheRemindersInstallTheirActionInTheThirteenthPlace) {
  class Remind final : public Action {
   public:
    const char* name() const override { return "RemindAction"; }
    std::vector<int> getReqiuredFeats() const override { return {12}; }
  };
  static Remind remind;
  Think::setRemindAction(&remind);
  const std::vector<Action*> all = Think::builtinActions();
  ASSERT_EQ(all.size(), 21u);
  EXPECT_STREQ(all[12]->name(), "RemindAction");
  EXPECT_EQ(namesOf(Think::dump(std::nullopt, "1\n2\n3", std::nullopt)->getActions()),
            (Names{"SortSplitByCRLFAction", "CombineAction", "RemindAction"}));
  Think::setRemindAction(nullptr);
  EXPECT_EQ(Think::builtinActions().size(), 20u);
}

TEST(ThinkTextScanTest, TheNumberRuleReadsAsIcuReadsItsPattern) {
  const auto icu = Regex::compile("^[0-9]+$");
  ASSERT_TRUE(icu);
  const std::vector<std::string> texts = {"0",
                                          "123",
                                          "12a",
                                          "a12",
                                          "",
                                          "12\n",
                                          "12\r\n",
                                          "12\r",
                                          "12\n\n",
                                          "12\n3",
                                          "12 ",
                                          " 12",
                                          "12\x0b",
                                          "12\x0c",
                                          "12\xc2\x85",
                                          "12\xe2\x80\xa8",
                                          "12\xe2\x80\xa9",
                                          "１２",
                                          "12\r\n\n",
                                          "\n",
                                          "12\t",
                                          "9999999999999999999999",
                                          "1,2"};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(think::isNumberText(text), icu->matches(text));
  }
}

TEST(ThinkTextScanTest, LongListsReadInOnePassAgreeWithPieceByPiece) {
  const auto reference = [](std::string_view text, std::string_view separator) {
    const auto pieces = think::split(text, separator);
    if (pieces.size() < 2) return false;
    for (std::string_view piece : pieces) {
      if (!think::isNumberText(piece)) return false;
    }
    return true;
  };
  // Lists of 40 bytes, each spoilt once at every position: a doubled separator (empty piece), a leading or
  // closing one, a letter, a CR before the separator; across the sixteen-byte blocks.
  const std::string list = "12\n345\n6\n78\n9\n10\n11\n1213\n14\n15\n16\n17";
  std::vector<std::string> texts = {list, "\n" + list, list + "\n", std::string(40, '7')};
  for (std::size_t at = 0; at < list.size(); ++at) {
    for (const char* spoil : {"\n", "x", "\r", ","}) {
      std::string text = list;
      text.insert(at, spoil);
      texts.push_back(text);
    }
  }
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(think::splitsIntoNumbers(text, "\n"), reference(text, "\n"));
    std::string commas = text;
    std::replace(commas.begin(), commas.end(), '\n', ',');
    EXPECT_EQ(think::splitsIntoNumbers(commas, ","), reference(commas, ","));
  }
  const std::string big = [] {
    std::string t;
    for (int i = 0; i < 200000; ++i) t += std::to_string(i) + "\n";
    t.pop_back();
    return t;
  }();
  EXPECT_TRUE(think::factsOf(big).digitLines);
  EXPECT_EQ(think::factsOf(big).length, big.size());
}

TEST(ThinkTextScanTest, NumbersSaturateInsteadOfFailing) {
  EXPECT_EQ(think::leadingInt32("99999999999"), 2147483647);
  EXPECT_EQ(think::leadingInt32("-99999999999"), -2147483647 - 1);
  EXPECT_EQ(think::leadingInt64("99999999999999999999999"), INT64_MAX);
  EXPECT_EQ(think::leadingInt64("  42abc"), 42);
  EXPECT_EQ(think::leadingInt64("abc"), 0);
  EXPECT_FLOAT_EQ(think::leadingFloat("1.5x"), 1.5f);
  EXPECT_FLOAT_EQ(think::leadingFloat("1e99999"), std::numeric_limits<float>::max());
  EXPECT_FLOAT_EQ(think::leadingFloat("1e-99999"), 0);
  EXPECT_FLOAT_EQ(think::leadingFloat("inf"), 0);
}

}  // namespace
}  // namespace vl::test
