#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AutoPickUiTestSupport.h"
#include "Windows/AutoPick/AutoPickCustomValueView.h"
#include "Windows/AutoPick/AutoPickTagDetailController.h"
#include "Windows/AutoPick/VLChosenView.h"
#include "ui/modaltable/ModalTableItem.h"

namespace vl {
namespace {

using Ids = std::vector<std::string>;

class AutoPickSlidesTest : public test::AutoPickUiTest {
 protected:
  void TearDown() override {
    AutoPickApplicationValueView::setInstalledApplications(nullptr);
    AutoPickUiTest::TearDown();
  }
  SelectAutoPickTagsController& page() { return *picker()->page(); }
  Ids rowNames() {
    Ids names;
    for (const auto& node : page().filterSource()) names.push_back(node->name());
    return names;
  }
  ModalTableItem& row(long i) {
    auto wrapper = std::dynamic_pointer_cast<ModalTableRowViewWrapper>(page().tableView()->rowViewAtRow(i));
    EXPECT_NE(wrapper, nullptr) << i;
    return *wrapper->item();
  }
  ModalTableItemAccessoryButton& addButton(long i) {
    return *std::static_pointer_cast<ModalTableItemAccessoryButton>(row(i).rightAccessories().at(0));
  }
  long rowOf(const std::string& identifier) {
    for (std::size_t i = 0; i < page().filterSource().size(); ++i) {
      if (page().filterSource()[i]->identifier() == identifier) return long(i);
    }
    ADD_FAILURE() << identifier;
    return -1;
  }
  // The page on top of a slide's navigation.
  template <typename T>
  std::shared_ptr<T> top(const std::shared_ptr<ModalNavigationController>& nav) {
    return std::dynamic_pointer_cast<T>(nav->currentModalViewController());
  }
  void typeInto(ui::TextField& field, const std::string& text) {
    clickView(field);
    field.selectText();
    events_.typeText(text);
  }
};

TEST_F(AutoPickSlidesTest, PickerAddsARuleAndItsValueThroughItsDetail) {
  clickAndSettle(*editor_->addButton());
  ASSERT_TRUE(picker()->isShown());
  EXPECT_EQ(rowNames().size(), 7u);
  for (long i = 0; i < 7; ++i) EXPECT_FALSE(addButton(i).clicked()) << i;

  clickAndSettle(addButton(rowOf("text_matched_regex")));
  EXPECT_EQ(tagIds(), (Ids{"text_matched_regex", "text"}));
  EXPECT_TRUE(addButton(rowOf("text")).clicked());
  auto detail = top<AutoPickTagDetailController>(picker()->navigationController());
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->rightItem()->frame().size.width, 65);
  auto regex = std::dynamic_pointer_cast<AutoPickRegexValueView>(detail->customView());
  ASSERT_NE(regex, nullptr);
  typeInto(*regex->regexItem()->input(), "^ticket-[0-9]+");
  clickAndSettle(*detail->rightItem());
  EXPECT_EQ(top<SelectAutoPickTagsController>(picker()->navigationController()).get(), &page());
  EXPECT_EQ(stored(), (Ids{"text", "text_matched_regex=^ticket-[0-9]+"}));

  // A row's own click shows its detail without saving; "ok" closes the picker, keeping what was added.
  clickAndSettle(row(rowOf("image")));
  auto readOnly = top<AutoPickTagDetailController>(picker()->navigationController());
  ASSERT_NE(readOnly, nullptr);
  EXPECT_FALSE(readOnly->editable());
  clickAndSettle(*readOnly->rightItem());
  clickAndSettle(*page().rightItem());
  EXPECT_FALSE(picker()->isShown());
  EXPECT_EQ(stored(), (Ids{"text", "text_matched_regex=^ticket-[0-9]+"}));

  // Shown again, the picker marks the rules that have tags.
  clickAndSettle(*editor_->addButton());
  EXPECT_TRUE(addButton(rowOf("text_matched_regex")).clicked());
  EXPECT_FALSE(addButton(rowOf("link")).clicked());
}

TEST_F(AutoPickSlidesTest, SearchKeepsNamesThatMatchInAnyCase) {
  clickAndSettle(*editor_->addButton());
  struct Case {
    const char* text;
    Ids names;
  };
  for (const Case& c :
       {Case{"text", {"Text", "Text matching"}}, Case{"MATCHING", {"Text matching", "Link matching"}},
        Case{"^li", {"Link", "Link matching"}}, Case{"(", {}}, Case{"zzz", {}}}) {
    page().reloadDataBySearchText(c.text);
    EXPECT_EQ(rowNames(), c.names) << c.text;
  }
  // Typed into the field; showing the picker again lists every rule while the field keeps its text.
  typeInto(*page().toolbar()->searchTextField(), "screen");
  EXPECT_EQ(rowNames(), (Ids{"Screenshot"}));
  clickAndSettle(*page().rightItem());
  clickAndSettle(*editor_->addButton());
  EXPECT_EQ(rowNames().size(), 7u);
  EXPECT_EQ(page().toolbar()->searchTextField()->stringValue(), "screen");
}

TEST(RegexCheckTest, TellsUsableSlowAndBrokenExpressionsApart) {
  struct Case {
    const char* expression;
    RegexCheck::Verdict verdict;
  };
  for (const Case& c : {Case{"", RegexCheck::Empty}, Case{"^ticket-\\d+", RegexCheck::Valid},
                        Case{"[a-z]+@example\\.org", RegexCheck::Valid}, Case{"(", RegexCheck::Invalid},
                        Case{"a{2,1}", RegexCheck::Invalid}, Case{"(a+)+$", RegexCheck::Slow},
                        Case{"^(x+x+)+y", RegexCheck::Slow}}) {
    EXPECT_EQ(RegexCheck::of(c.expression).verdict, c.verdict) << c.expression;
  }
}

TEST_F(AutoPickSlidesTest, ATagsDetailRefusesABrokenExpressionAndWarnsOfASlowOne) {
  auto node = freshNode("link_matched_regex");
  node->setValue("example");
  editor_->shouldAddNode(node);
  clickAndSettle(*editor_->tags()[0]);
  ASSERT_TRUE(detail()->isShown());
  auto page = detail()->page();
  auto regex = std::dynamic_pointer_cast<AutoPickRegexValueView>(page->customView());
  ASSERT_NE(regex, nullptr);
  EXPECT_EQ(regex->regexItem()->text(), "example");

  typeInto(*regex->regexItem()->input(), "(broken");
  EXPECT_EQ(regex->check().verdict, RegexCheck::Invalid);
  EXPECT_FALSE(regex->statusView()->string().empty());
  EXPECT_FALSE(page->button()->enabled());
  EXPECT_FALSE(regex->save());
  clickAndSettle(*page->rightItem());
  EXPECT_TRUE(detail()->isShown());
  EXPECT_EQ(stored(), (Ids{"link", "link_matched_regex=example"}));

  typeInto(*regex->regexItem()->input(), "(a+)+$");
  EXPECT_EQ(regex->check().verdict, RegexCheck::Slow);
  EXPECT_TRUE(page->button()->enabled());
  test::LogCapture::clear();
  clickAndSettle(*page->rightItem());
  EXPECT_FALSE(detail()->isShown());
  EXPECT_EQ(stored(), (Ids{"link", "link_matched_regex=(a+)+$"}));
  EXPECT_TRUE(test::logContains("time limit"));

  // Cancel leaves the value alone.
  clickAndSettle(*editor_->tags()[0]);
  typeInto(*regex->regexItem()->input(), "other");
  clickAndSettle(*page->cancelItem());
  EXPECT_EQ(stored(), (Ids{"link", "link_matched_regex=(a+)+$"}));
}

TEST_F(AutoPickSlidesTest, ChooserSavesTheCheckedApplicationsAsTheRulesList) {
  AutoPickApplicationValueView::setInstalledApplications([] {
    return std::vector<AppItem>{{"terminal", "/usr/share/applications/terminal.desktop"},
                                {"org.example.Editor", ""},
                                {"Odd,Name", ""},
                                {"browser", ""}};
  });
  auto node = freshNode("application");
  node->setValue("org.example.Editor,gone");
  editor_->shouldAddNode(node);
  clickAndSettle(*editor_->tags()[0]);
  auto page = detail()->page();
  auto apps = std::dynamic_pointer_cast<AutoPickApplicationValueView>(page->customView());
  ASSERT_NE(apps, nullptr);
  VLChosenView& chooser = *apps->chosenView();
  // The rule's own names first (one no longer installed too), then the rest by name; a name with ","
  // is not offered.
  Ids names;
  for (const auto& item : chooser.items()) names.push_back(item.appName());
  EXPECT_EQ(names, (Ids{"org.example.Editor", "gone", "browser", "terminal"}));
  EXPECT_TRUE(test::logContains("Odd,Name"));
  EXPECT_EQ(chooser.checkedNames(), (Ids{"org.example.Editor", "gone"}));

  for (long i : {0L, 3L}) {
    auto wrapper = std::dynamic_pointer_cast<ModalTableRowViewWrapper>(chooser.tableView()->rowViewAtRow(i));
    ASSERT_NE(wrapper, nullptr);
    clickView(*wrapper->item());
  }
  clickAndSettle(*page->rightItem());
  EXPECT_EQ(stored(), (Ids{"application=gone,terminal"}));

  // Unchecking everything stores an empty list; a page that does not save cannot check.
  clickAndSettle(*editor_->tags()[0]);
  apps = std::dynamic_pointer_cast<AutoPickApplicationValueView>(page->customView());
  apps->chosenView()->toggle(0);
  apps->chosenView()->toggle(1);
  clickAndSettle(*page->rightItem());
  EXPECT_EQ(stored(), (Ids{"application="}));
  apps->chosenView()->setEditable(false);
  apps->chosenView()->toggle(0);
  EXPECT_TRUE(apps->chosenView()->checkedNames().empty());
}

}  // namespace
}  // namespace vl
