// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/Files.h"
#include "platform/foundation/UserDefaults.h"
#include "support/ProgramHistory.h"
#include "support/RoadTestSupport.h"
#include "support/TestSupport.h"
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

// Preferences, in window content from the top left: the Snippets tab; its page's search field, list
// rows (40 high from y 116) and "+" and "-" under the list; the sheet's alias, text and Add; the OK of
// the delete confirmation.
constexpr Spot kSnippetsTab{180, 30}, kSearch{475, 98}, kAddSnippet{50, 436}, kDeleteSnippet{71, 436};
constexpr Spot kAliasField{354, 145}, kSnippetField{354, 272}, kSnippetAdd{550, 398}, kDeleteOk{450, 308};
constexpr Spot row(int i) { return {165, 136 + 40 * i}; }

// The snippets page of the real program, driven by the pointer and the keyboard. What the page did is
// read where the program leaves it for the preferences program: the snippets' copy in the shared
// settings (key 106, newest first).
class SnippetsRoadX11Test : public RoadTest {
 protected:
  std::string settingsFile() const {
    return root_.path() + "/home/.config/vellisto/" + UserDefaults::kGroupSuite + ".json";
  }
  // Settings as the preferences program would leave them while this program is not running.
  void writeSettings(const Json& values) {
    ASSERT_TRUE(files::createDirectories(root_.path() + "/home/.config/vellisto"));
    UserDefaults other("writer", settingsFile());
    for (const auto& [key, value] : values.items()) ASSERT_TRUE(other.setObject(key, value));
  }
  Json stored(const std::string& key) const {
    UserDefaults other("reader", settingsFile());
    return other.object(key).value_or(Json());
  }
  // The aliases of the snippets' copy, newest first.
  std::vector<std::string> mirrored() const {
    std::vector<std::string> names;
    const Json list = stored("106");
    if (!list.is_array()) return names;
    for (const Json& entry : list) names.push_back(entry.value("name", std::string()));
    return names;
  }
  bool mirrorIs(const std::vector<std::string>& names) {
    return waitUntil([&] { return mirrored() == names; }, kProgramAnswerMs);
  }
  ::Window openSnippets() {
    const ::Window preferences = openPreferences();
    if (preferences == None) return None;
    EXPECT_TRUE(chooseTab(preferences, kSnippetsTab)) << program_->errors();
    return preferences;
  }
  // "+", the alias and the text each clicked into, and Add.
  void addByClicks(::Window preferences, const std::string& alias, const std::string& text) {
    click(preferences, kAddSnippet, kSlides);
    click(preferences, kAliasField);
    type(alias);
    click(preferences, kSnippetField);
    type(text);
    click(preferences, kSnippetAdd, kSlides);
  }
  void deleteRow(::Window preferences, int i) {
    click(preferences, row(i));
    click(preferences, kDeleteSnippet, kSlides);
    click(preferences, kDeleteOk, kSlides);
  }

  test::TempDir root_{"vl-snippets"};
};

// Tab takes the keyboard from the alias to the snippet's text, so what is typed next is the snippet.
TEST_F(SnippetsRoadX11Test, TabInTheSheetTakesTheTypingToTheText) {
  ASSERT_NO_FATAL_FAILURE(launch(root_.path(), {"VELLISTO_LOG=debug"}, true));
  const ::Window preferences = openSnippets();
  ASSERT_NE(preferences, None);
  click(preferences, kAddSnippet, kSlides);
  click(preferences, kAliasField);
  type("sig");
  press({XK_Tab});
  type("Best regards");
  click(preferences, kSnippetAdd, kSlides);
  ASSERT_TRUE(mirrorIs({"sig"})) << stored("106") << "\n" << program_->errors();
  EXPECT_EQ(stored("106")[0].value("content", std::string()), "Best regards");
}

// The page's own changes reach the shared settings; the preferences window, which looks at those every
// second, leaves the list as the user had it: the search's rows, and the row after the one deleted.
TEST_F(SnippetsRoadX11Test, DeletingTwiceInASearchDeletesTheRowsTheUserChose) {
  ASSERT_NO_FATAL_FAILURE(launch(root_.path(), {"VELLISTO_LOG=debug"}, true));
  const ::Window preferences = openSnippets();
  ASSERT_NE(preferences, None);
  for (const char* alias : {"b1", "b2", "b3", "a1"})
    addByClicks(preferences, alias, std::string("text ") + alias);
  ASSERT_TRUE(mirrorIs({"a1", "b3", "b2", "b1"})) << stored("106") << "\n" << program_->errors();

  click(preferences, kSearch);
  type("b");  // the rows: b3, b2, b1
  const std::size_t seen = program_->count("the 3 snippets as this page left them");
  deleteRow(preferences, 1);
  ASSERT_TRUE(mirrorIs({"a1", "b3", "b1"})) << program_->errors();
  // The window's next look at the settings finds the page's own write and leaves the list alone.
  ASSERT_TRUE(program_->logged("the 3 snippets as this page left them", seen)) << program_->errors();
  // The row that moved up into the deleted one's place is the one chosen now: b1.
  click(preferences, kDeleteSnippet, kSlides);
  click(preferences, kDeleteOk, kSlides);
  EXPECT_TRUE(mirrorIs({"a1", "b3"})) << stored("106") << "\n" << program_->errors();
}

// Snippets the preferences program changed while this program was not running are merged as it starts,
// not written over by its first own write-back.
TEST_F(SnippetsRoadX11Test, AChangeListLeftWhileNotRunningIsMergedAtStart) {
  ASSERT_NO_FATAL_FAILURE(writeSettings(
      {{"106", Json::array({{{"action", "add"}, {"content", "Cheers"}, {"name", "bye"}}})}, {"110", true}}));
  ASSERT_NO_FATAL_FAILURE(launch(root_.path(), {"VELLISTO_LOG=debug"}, true));
  ASSERT_TRUE(mirrorIs({"bye"})) << stored("106") << "\n" << program_->errors();
  EXPECT_EQ(stored("110"), Json(false));
  EXPECT_NE(historyOf(*program_).find("Cheers"), std::string::npos);
  // A snippet added on the page joins it.
  const ::Window preferences = openSnippets();
  ASSERT_NE(preferences, None);
  addByClicks(preferences, "sig", "Best regards");
  EXPECT_TRUE(mirrorIs({"sig", "bye"})) << stored("106") << "\n" << program_->errors();
}

}  // namespace
}  // namespace vl::x11test
