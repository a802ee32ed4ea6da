// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/Files.h"
#include "support/ProgramHistory.h"
#include "support/RoadTestSupport.h"
#include "support/TestSupport.h"
#include <X11/Xutil.h>
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

// Preferences: the tab bar (70 wide tabs from x 5), the Security list's "+" and its chooser, the
// Snippets list's "+" and its sheet.
constexpr Spot kSecurityTab{250, 30}, kSnippetsTab{180, 30};
constexpr Spot kAddIgnored{60, 374}, kFirstChoice{100, 112}, kChooserAdd{570, 371};
constexpr Spot kAddSnippet{50, 436}, kAliasField{354, 145}, kSnippetField{354, 272}, kSnippetAdd{550, 398};
// The main window: the pin bar's "+", the new tab's name and auto-pick "+", the rule list's
// "Text matching", its expression field and Save, and the panel's OK.
constexpr Spot kAddPinTab{135, 20}, kTabName{312, 93}, kAddRule{205, 273}, kTextMatching{491, 256};
constexpr Spot kExpression{387, 158}, kSaveRule{485, 397}, kTabOk{485, 21};

class UserRoadsX11Test : public RoadTest {
 protected:
  // The program with one installed application of its own, "Ledger" (the machine's entries are left
  // out so the chooser lists only it), docked in a tray and capturing.
  void start() {
    const std::string apps = root_.path() + "/home/.local/share/applications";
    EXPECT_TRUE(files::createDirectories(apps));
    EXPECT_TRUE(files::createDirectories(root_.path() + "/share"));
    EXPECT_TRUE(files::atomicWrite(
        apps + "/ledger.desktop",
        "[Desktop Entry]\nType=Application\nName=Ledger\nExec=ledger\nStartupWMClass=Ledger\n"));
    // No session bus here: the program falls back to the XEmbed tray, as on a desktop whose panel only
    // speaks that.
    ASSERT_NO_FATAL_FAILURE(
        launch(root_.path(), {"XDG_DATA_DIRS=" + root_.path() + "/share", "VELLISTO_LOG=debug"}, true));
  }

  // The main window over `editor` by the hot key, its search field ready for keys.
  ::Window openMain(TestWindow& editor) {
    EXPECT_TRUE(inFront(editor));
    EXPECT_TRUE(showMain());
    return window("Vellisto");
  }
  bool copy(const std::string& text) { return xclipSet(display_, "UTF8_STRING", text); }

  test::TempDir root_{"vl-roads"};
};

// The windows a user opens from the status menu carry the names a task switcher lists them by, and the
// preferences window keeps its name whichever tab shows.
TEST_F(UserRoadsX11Test, EachWindowIsNamedForTheTaskSwitcher) {
  start();
  struct Case {
    int rowsDown;
    const char* title;
  };
  for (const Case& c :
       {Case{5, "Vellisto Preferences"}, Case{6, "About Vellisto"}, Case{7, "Vellisto Help"}}) {
    SCOPED_TRACE(c.title);
    const ::Window w = openFromStatusMenu(c.rowsDown, c.title);
    ASSERT_NE(w, None);
    if (c.rowsDown == 5) {
      EXPECT_TRUE(chooseTab(w, kSecurityTab)) << program_->errors();
      EXPECT_EQ(findMappedWindow(keys_, DefaultRootWindow(keys_), c.title), w)
          << "the tab's name took the window's";
    }
    EXPECT_EQ(textProperty(keys_, w, "_NET_WM_NAME"), c.title);
    EXPECT_EQ(windowClass(keys_, w), (std::pair<std::string, std::string>("vellisto", "Vellisto")));
  }
}

// Preferences from the status menu: an application put on the Security list through its chooser
// stops being recorded at once while another still is, and a snippet added on its page is pasted by
// typing its alias in the main window.
TEST_F(UserRoadsX11Test, PreferencesIgnoreAnApplicationAndPasteASnippetByItsAlias) {
  ASSERT_NO_FATAL_FAILURE(start());
  const ::Window preferences = openPreferences();
  ASSERT_NE(preferences, None);
  EXPECT_TRUE(chooseTab(preferences, kSecurityTab)) << program_->errors();
  click(preferences, kAddIgnored);
  click(preferences, kFirstChoice);
  click(preferences, kChooserAdd);

  TestWindow ledger(display_, "Ledger");
  ASSERT_TRUE(inFront(ledger));
  ASSERT_TRUE(copy("ledger secret"));
  ASSERT_TRUE(waitUntil([&] { return program_->count("copiedFromSecurityApp") >= 1; })) << program_->errors();
  TestWindow editor(display_, "Editor");
  ASSERT_TRUE(inFront(editor));
  ASSERT_TRUE(copyKept(*program_, display_, "editor note"));
  EXPECT_EQ(historyOf(*program_).find("ledger secret"), std::string::npos);

  EXPECT_TRUE(chooseTab(preferences, kSnippetsTab)) << program_->errors();
  click(preferences, kAddSnippet, kSlides);
  click(preferences, kAliasField);
  type("sig");
  click(preferences, kSnippetField);
  type("Best regards");
  click(preferences, kSnippetAdd, kSlides);

  ASSERT_NE(openMain(editor), None);
  editor.heard();  // the hot key's own presses
  ASSERT_TRUE(typeIntoSearch("sig"));
  press({XK_Return});
  EXPECT_TRUE(pasted(editor)) << program_->errors();
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "Best regards");
}

// A pin tab made from the main window's bar with a text rule collects the copies that match, and
// only those.
TEST_F(UserRoadsX11Test, APinTabWithATextRuleCollectsTheCopiesThatMatch) {
  ASSERT_NO_FATAL_FAILURE(start());
  TestWindow editor(display_, "Editor");
  const ::Window main = openMain(editor);
  ASSERT_NE(main, None);
  click(main, kAddPinTab, kSlides);
  click(main, kTabName);
  type("Tickets");
  click(main, kAddRule, kSlides);
  click(main, kTextMatching, kSlides);
  click(main, kExpression);
  type("^ticket-[0-9]+");
  click(main, kSaveRule, kSlides);
  click(main, kTabOk);
  ASSERT_TRUE(waitUntil([&] { return !pinFolder("Tickets").empty(); })) << program_->errors();

  ASSERT_TRUE(copyKept(*program_, display_, "ticket-42"));
  ASSERT_TRUE(copyKept(*program_, display_, "hello"));
  const std::string tab = docText(pinFolder("Tickets"));
  EXPECT_NE(tab.find("ticket-42"), std::string::npos) << tab;
  EXPECT_EQ(tab.find("hello"), std::string::npos) << tab;
}

// After a paste from the main window the record window still hands out its queue: each Ctrl+V typed
// in another program takes the next entry.
TEST_F(UserRoadsX11Test, AfterAPasteFromTheMainWindowTheRecordWindowHandsOutItsQueue) {
  ASSERT_NO_FATAL_FAILURE(start());
  TestWindow editor(display_, "Editor");
  ASSERT_TRUE(copyKept(*program_, display_, "alpha"));
  ASSERT_NE(openMain(editor), None);
  editor.heard();  // the hot key's own presses
  press({XK_Return});
  ASSERT_TRUE(pasted(editor)) << program_->errors();
  ASSERT_TRUE(waitUntil([&] { return program_->count("paste: settled") == 1; })) << program_->errors();

  press({XK_Control_L, XK_Alt_L, XK_r});
  const ::Window record = window("Vellisto Record");
  ASSERT_NE(record, None);
  editor.heard();
  int height = heightOf(record);
  for (const char* text : {"first", "second"}) {
    ASSERT_TRUE(copy(text));
    ASSERT_TRUE(waitUntil([&] { return heightOf(record) > height; })) << text << "\n" << program_->errors();
    height = heightOf(record);
  }
  for (const std::string expected : {"second", "first"}) {
    ASSERT_TRUE(waitUntil([&] { return xclipGet(display_, "UTF8_STRING").value_or("") == expected; }))
        << expected << "\n"
        << program_->errors();
    press({XK_Control_L, XK_v});
    ASSERT_FALSE(editor.keys(4).empty());
    ASSERT_TRUE(waitUntil([&] { return heightOf(record) < height; })) << expected << "\n"
                                                                      << program_->errors();
    height = heightOf(record);
  }
}

}  // namespace
}  // namespace vl::x11test
