#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Windows/Main/MainWindow.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Url.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/system/headless/HeadlessUserNotificationCenter.h"
#include "think/TextScan.h"
#include "think/ThinkTestSupport.h"
#include "think/actions/DictionaryAction.h"
#include "think/actions/FileActions.h"
#include "think/actions/ListActions.h"
#include "think/actions/SearchTextActions.h"
#include "think/actions/TerminateAppAction.h"
#include "think/actions/TextActions.h"
#include "think/actions/TimeActions.h"
#include "ui/alert/Alert.h"
#include "ui/panels/EscStack.h"
#include "ui/panels/MainViewHooks.h"

namespace vl::test {
namespace {

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  std::vector<std::string> out;
  for (std::string_view piece : think::split(text, separator)) out.emplace_back(piece);
  return out;
}

class ActionsTest : public ThinkTest {
 protected:
  // The first offered action's label and text, as the bar asks for them.
  struct Result {
    std::string action, label, text;
  };
  static Result run(const std::optional<std::string>& search, const std::optional<std::string>& record) {
    auto think = Think::dump(search, record, std::nullopt);
    Action* action = think->getActions().front();
    const std::string label = action->getLabel(think->text(), think->selectedJsonDict()).value_or("<nil>");
    const auto text = think->textOf(*action);
    return {action->name(), label, text ? text->string() : "<nil>"};
  }

  // The main window, up with the keyboard, whose view the actions tell what they could not do.
  std::shared_ptr<MainWindow> showMainWindow() {
    auto main = MainWindow::create();
    WindowCenter::shared().registerWindow(main, kMainWindowKey);
    MainViewHooks hooks;
    hooks.mainView = [weak = std::weak_ptr<MainWindow>(main)]() -> ui::View* {
      auto window = weak.lock();
      return window ? window->contentView().get() : nullptr;
    };
    MainViewHooks::install(hooks);
    main->makeKeyAndOrderFront();
    return main;
  }

  // An alert tells it over the window, which stays; Escape closes the alert.
  void expectAnAlertThatEscapeCloses(MainWindow& main) {
    EXPECT_TRUE(main.isVisible());
    ASSERT_TRUE(Alert::isShown(main.contentView().get()));
    EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("esc"));
    dispatch::MainLoop::advance(1000);
    EXPECT_FALSE(Alert::isShown(main.contentView().get()));
  }
};

TEST_F(ActionsTest, EachActionsLabelAndResult) {
  clock_->setNow(*date::parse("2026-03-04 05:06:07", "yyyy-MM-dd HH:mm:ss"));
  const std::string twoCells = "|   cell   |   cell   |\n";
  struct Case {
    std::optional<std::string> search, record;
    Result expected;
  };
  const std::vector<Case> cases = {
      {std::nullopt, "camelCaseName", {"UpperAction", "CAMEL_CASE_NAME", "CAMEL_CASE_NAME"}},
      {std::nullopt, "Abc|dE", {"UpperAction", "ABC|D_E", "ABC|D_E"}},
      {std::nullopt, "5000", {"KAction", "5k", "5k"}},
      {std::nullopt, "12000", {"KAction", "12k", "12k"}},
      {std::nullopt, "9\n10\n1\n2", {"SortSplitByCRLFAction", "Sort", "1\n2\n9\n10"}},
      {std::nullopt, "10\r\n9\r\n1", {"SortSplitByCRLFAction", "Sort", "1\r\n9\r\n10"}},
      {std::nullopt, "9,10,1,2", {"SortSplitByCommaAction", "Sort", "1,2,9,10"}},
      {std::nullopt, "36001", {"SecondAction", "10.0 hours", "10.0 hours"}},
      {std::nullopt, "99999999999", {"SecondAction", "27777777.8 hours", "27777777.8 hours"}},
      {"10cm", std::nullopt, {"CMConvertAction", "3.94 inch", "3.94 inch"}},
      {"2.54cm", std::nullopt, {"CMConvertAction", "1.00 inch", "1.00 inch"}},
      {"delta", std::nullopt, {"MathSymbolAction", "δ", "δ"}},
      {"θita", std::nullopt, {"MathSymbolAction", "θ", "θ"}},
      {"mktbc2,3",
       std::nullopt,
       {"MKTableAction", "MarkDown Table",
        "|   head   |   head   |\n|:--------:|:--------:|\n" + twoCells + twoCells + twoCells}},
      {"mktb",
       std::nullopt,
       {"MKTableAction", "MarkDown Table", "|   head   |\n|:---------|\n|   cell   |\n"}},
      {"now", std::nullopt, {"DateAction", "2026-03-04 05:06:07", "2026-03-04 05:06:07"}},
      {std::nullopt, "a text of more than fifteen units", {"LenAction", "Len: 33", "33"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.search.value_or(c.record.value_or("")));
    const Result r = run(c.search, c.record);
    EXPECT_EQ(r.action, c.expected.action);
    EXPECT_EQ(r.label, c.expected.label);
    EXPECT_EQ(r.text, c.expected.text);
  }
}

TEST_F(ActionsTest, TimesAndTimestamps) {
  const double now = *date::parse("2026-03-04 05:06:07", "yyyy-MM-dd HH:mm:ss");
  clock_->setNow(now + 0.25);
  auto think = Think::dump("now", std::nullopt, std::nullopt);
  Json& json = think->selectedJsonDict();
  EXPECT_EQ(NowTimestampAction::shared().getLabel("now", json), "1772571967250");
  // The text is what the button showed, even when asked later.
  clock_->setNow(now + 60);
  EXPECT_EQ(think->textOf(NowTimestampAction::shared())->string(), "1772571967250");
  EXPECT_EQ(TimestampAction::shared().getLabel("1700000000999", json), "2023-11-15 06:13:20");
  // The label is taken from the text it was tested on; a later action of another engine overwrites it.
  EXPECT_EQ(TimestampAction::shared().getLabel("1700000001000", json), "2023-11-15 06:13:21");
}

TEST_F(ActionsTest, CountsAreCapped) {
  const Result random = run("random", std::nullopt);
  EXPECT_EQ(random.label.size(), 10u);
  EXPECT_EQ(random.label, random.text);
  EXPECT_EQ(random.label.find_first_not_of(RandomAction::kLetters), std::string::npos);
  EXPECT_EQ(run("random5", std::nullopt).label.size(), 5u);
  EXPECT_EQ(run("random0", std::nullopt).label.size(), 10u);
  EXPECT_EQ(run("random9999999999999", std::nullopt).label.size(), 1024u);

  const std::string huge = run("mktb99999,9999999", std::nullopt).text;
  const auto lines = split(huge, "\n");
  ASSERT_EQ(lines.size(), 2u + 500u + 1u);  // head, rule, 500 rows, and the empty end
  EXPECT_EQ(lines[0].size(), 64u * 11u + 1u);
}

TEST_F(ActionsTest, Md5HashesEveryByteAndCombineNeverDoublesCommas) {
  const std::string withNul = std::string("sixteen bytes\0and more", 22);
  Json json = Json::object();
  EXPECT_EQ(Md5Action::shared().getText(withNul, json)->string(), md5Hex(withNul));
  EXPECT_NE(md5Hex(withNul), md5Hex("sixteen bytes"));
  EXPECT_EQ(SortSplitByCRLFAction::shared().sorted("99999999999999999999\n1\n-5"),
            "-5\n1\n99999999999999999999");
  EXPECT_EQ(SecondAction::shared().getLabel("7200", json), "2.0 hours");
  EXPECT_EQ(CombineAction::combined("1\n2\n3"), "1,2,3");
  EXPECT_EQ(CombineAction::combined("1,\n2,\n3"), "1,2,3");
  EXPECT_EQ(CombineAction::combined("1\r\n2\r\n3"), "1,2,3");
}

TEST_F(ActionsTest, AnActionsTextStartsFromTheRecordsOwnPreviewKeys) {
  dictionary_->setDefinition("apple", "apple n 1: fruit with red or yellow skin");
  const Json web = {{"custom_view", "EmbededWebview"}, {"search_context", "apple"}};
  auto think = Think::dump(std::nullopt, "apple", web);
  ASSERT_EQ(namesOf(think->getActions()), (std::vector<std::string>{"DictionaryAction", "UpperAction"}));
  EXPECT_EQ(DictionaryAction::shared().getLabel("apple", think->selectedJsonDict()), "apple n 1: fruit with");
  EXPECT_EQ(think->textOf(DictionaryAction::shared())->string(), "");
  EXPECT_EQ(think->selectedJsonDict()["custom_view"], "TranslateView");
  EXPECT_EQ(think->selectedJsonDict()["translate_words"], "apple");
  // Another action previews with the record's own view again, not the dictionary's.
  think->textOf(LenAction::shared());
  EXPECT_EQ(think->selectedJsonDict()["custom_view"], "EmbededWebview");
  EXPECT_FALSE(think->selectedJsonDict().contains("translate_words"));
}

TEST_F(ActionsTest, PastingGivesTheFocusBackAndSendsOneChord) {
  Pasteboard::general()->setString("what the user copied");
  auto think = Think::dump(std::nullopt, "camelCaseName", std::nullopt);
  Action& upper = *think->getActions().front();
  upper.getLabel(think->text(), think->selectedJsonDict());
  upper.doTask(think->textOf(upper)->string());
  EXPECT_EQ(clipboard(), "CAMEL_CASE_NAME");
  EXPECT_TRUE(pasted());

  // Nothing to paste leaves the user's clipboard alone and sends no keys.
  keys_->clearPostedKeys();
  Pasteboard::general()->setString("what the user copied");
  dictionary_->setDefinition("apple", "apple n 1: fruit with red or yellow skin");
  for (Action* quiet : std::vector<Action*>{&NoneAction::shared(), &DictionaryAction::shared()}) {
    SCOPED_TRACE(quiet->name());
    Json json = Json::object();
    quiet->getLabel("apple", json);
    quiet->doTask(quiet->getText("apple", json)->string());
    EXPECT_EQ(clipboard(), "what the user copied");
    EXPECT_TRUE(keys_->postedKeys().empty());
  }
}

TEST_F(ActionsTest, FileActionsOpenTheRealFileAndShowItsFolder) {
  TempDir dir("vl-think-open");
  const std::string image = dir / "my shot.png";
  ASSERT_TRUE(files::atomicWrite(image, "png"));
  auto main = MainWindow::create();
  WindowCenter::shared().registerWindow(main, kMainWindowKey);
  main->makeKeyAndOrderFront();

  // An image record: the image's own file, wherever the record keeps it.
  const Json json = {{"image", percentEncode(image, PercentSet::Path)}, {"custom_view", "FileView"}};
  auto think = Think::dump(std::nullopt, "a picture of the screen", json);
  ASSERT_EQ(think->getActions().front()->name(), std::string("FileAction"));
  EXPECT_EQ(FileAction::shared().getLabel(think->text(), think->selectedJsonDict()), "Open file");
  EXPECT_EQ(think->textOf(FileAction::shared())->string(), image);
  FileAction::shared().doTask(image);
  EXPECT_EQ(workspace_->openedURLs(), std::vector<std::string>{fileUrlFromPath(image)});
  EXPECT_FALSE(main->isVisible());

  FolderAction::shared().getLabel(think->text(), think->selectedJsonDict());
  FolderAction::shared().doTask(image);
  EXPECT_EQ(workspace_->openedURLs().back(), fileUrlFromPath(dir.path()));

  // A copied folder says so.
  const Json folder = {{"file", percentEncode(dir.path(), PercentSet::Path)}};
  Json copy = folder;
  EXPECT_EQ(FileAction::shared().getLabel(dir.path(), copy), "Open folder");
}

// With no file manager to answer and no opener for folders, nothing shows the file: the main window stays
// and says so (Escape closes that); once the window is gone a desktop notice says it, with the folder.
TEST_F(ActionsTest, ShowInFolderSaysWhereTheFileIsWhenNothingShowsIt) {
  struct NothingShows : FileRevealer {
    void reveal(const std::string&, Shown shown) override {
      if (shown) shown(false);
    }
  };
  FileRevealer::install(std::make_shared<NothingShows>());
  auto notices = std::make_shared<HeadlessUserNotificationCenter>();
  UserNotificationCenter::install(notices);
  auto main = showMainWindow();
  Json dict = {{"file", "/home/user/reports/q3.pdf"}};
  FolderAction::shared().getLabel("q3.pdf", dict);
  FolderAction::shared().doTask("/home/user/reports/q3.pdf");
  expectAnAlertThatEscapeCloses(*main);
  EXPECT_TRUE(notices->deliveredNotifications().empty());

  WindowCenter::shared().dismissWindowByKey(kMainWindowKey);
  FolderAction::shared().doTask("/home/user/reports/q3.pdf");
  ASSERT_EQ(notices->deliveredNotifications().size(), 1u);
  EXPECT_NE(notices->deliveredNotifications()[0].informativeText.find("/home/user/reports"),
            std::string::npos);

  MainViewHooks::install({});
  UserNotificationCenter::install(nullptr);
  FileRevealer::install(nullptr);
}

// A file that nothing on the desktop opens: the main window stays and says so, as for Show in Folder.
TEST_F(ActionsTest, OpenFileSaysSoWhenNothingOpensTheFile) {
  struct OpensNothing : Workspace {
    std::optional<RunningApplication> frontmostApplication() const override { return std::nullopt; }
    std::vector<RunningApplication> runningApplications() const override { return {}; }
    bool launchApplication(const std::string&) override { return false; }
    bool openURL(const std::string&) override { return false; }
    bool openURL(const std::string&, const std::string&) override { return false; }
  };
  Workspace::install(std::make_shared<OpensNothing>());
  auto main = showMainWindow();
  Json dict = {{"file", "/home/user/reports/q3.bin"}};
  FileAction::shared().getLabel("q3.bin", dict);
  FileAction::shared().doTask("/home/user/reports/q3.bin");
  expectAnAlertThatEscapeCloses(*main);

  MainViewHooks::install({});
  Workspace::install(workspace_);
}

TEST_F(ActionsTest, HideActionHidesTheRunningApplicationOfTheRecord) {
  RunningApplication ledger = RunningApplication::fromDesktopEntry("/apps/ledger.desktop", false, 42);
  workspace_->setRunningApplications({ledger, RunningApplication::fromDesktopEntry("/apps/other.desktop")});
  Json json = {{"app", true}, {"app_path", "/apps/ledger.desktop"}};
  TerminateAppAction& hide = TerminateAppAction::shared();
  EXPECT_EQ(hide.getLabel("Ledger", json), "Hide Ledger");
  EXPECT_EQ(hide.getText("Ledger", json)->string(), "Will hide app 'Ledger'");
  hide.doTask("Will hide app 'Ledger'");
  ASSERT_EQ(workspace_->hiddenApplications().size(), 1u);
  EXPECT_EQ(workspace_->hiddenApplications()[0].processIdentifier, 42);
}

}  // namespace
}  // namespace vl::test
