// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ProgramHistory.h"
#include "support/RoadTestSupport.h"
#include "support/TestSupport.h"
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

// Where a user clicks in the main window, from its content's top left: the list's rows (32 high from
// the first), the preview's text and the info bar's line.
constexpr Spot kFirstRow{150, 160};
constexpr Spot kPreviewText{500, 200}, kInfoLine{420, 411};
constexpr int kRowHeight = 32;

Spot row(int index) { return {kFirstRow.x, kFirstRow.y + index * kRowHeight}; }

// Rows of the record list, its preview and its menu in the assembled program: what a right click
// chooses and where typing goes after a click.
class RowRoadsX11Test : public RoadTest {
 protected:
  void TearDown() override {
    editor_.reset();
    RoadTest::TearDown();
  }

  // The program docked in a tray, with the copies in its history (the last one newest) and an editor in
  // front; `root` is its own, so each case of a table starts afresh.
  void start(const std::string& root, const std::vector<std::string>& copies) {
    program_.reset();
    ASSERT_NO_FATAL_FAILURE(launch(root, {"VELLISTO_LOG=debug"}, true));
    for (const std::string& text : copies) ASSERT_TRUE(copyKept(*program_, display_, text));
    editor_.emplace(display_, "Editor");
    ASSERT_TRUE(inFront(*editor_));
  }
  std::string history() { return historyOf(*program_); }
  bool kept(const std::string& text) { return history().find(text) != std::string::npos; }

  // A right click on a row, then the menu's row that many down, chosen with the keyboard as a user
  // would once the menu has it.
  void chooseFromRowMenu(::Window main, Spot at, int rowsDown) {
    const std::vector<Popup> before = popups(keys_);
    const auto [x, y] = onRoot(keys_, main, at);
    clickAt(keys_, x, y, Button3);
    ASSERT_TRUE(waitUntil([&] { return !popups(keys_, before).empty(); })) << program_->errors();
    ASSERT_TRUE(waitUntil([&] { return keyboardGrabbed(keys_); }));
    for (int i = 0; i < rowsDown; ++i) press({XK_Down});
    press({XK_Return});
  }

  test::TempDir root_{"vl-rowroads"};
  std::optional<TestWindow> editor_;
};

// A right click on a row outside the choice chooses that row, so the menu's Delete deletes the record
// right-clicked; one inside a choice of several keeps the choice, and Delete deletes all of it.
TEST_F(RowRoadsX11Test, TheRowMenusDeleteDeletesTheRowRightClicked) {
  struct Case {
    const char* name;
    std::vector<std::string> copies;  // the last is the list's first row, chosen when it shows
    std::vector<KeySym> widen;        // pressed before the right click
    int rightClicked;
    std::vector<std::string> gone, stay;
  };
  const std::vector<Case> cases = {
      {"a row outside the choice", {"5000", "apple tart"}, {}, 1, {"5000"}, {"apple tart"}},
      {"a row inside a choice of two",
       {"kept plum", "pear", "fig"},
       {XK_Shift_L, XK_Down},
       1,
       {"pear", "fig"},
       {"kept plum"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir root{"vl-rowmenu"};
    ASSERT_NO_FATAL_FAILURE(start(root.path(), c.copies));
    ASSERT_TRUE(showMain());
    const ::Window main = window("Vellisto");
    if (!c.widen.empty()) press(c.widen);
    ASSERT_NO_FATAL_FAILURE(chooseFromRowMenu(main, row(c.rightClicked), 2));  // Pin, Delete
    for (const std::string& text : c.gone)
      EXPECT_TRUE(waitUntil([&] { return !kept(text); })) << text << " stayed\n" << history();
    for (const std::string& text : c.stay) EXPECT_TRUE(kept(text)) << text << " went\n" << history();
  }
}

// The row right-clicked is the chosen one: with its menu closed, Return pastes it.
TEST_F(RowRoadsX11Test, ARightClickedRowIsChosen) {
  ASSERT_NO_FATAL_FAILURE(start(root_.path(), {"5000", "apple tart"}));
  ASSERT_TRUE(showMain());
  const ::Window main = window("Vellisto");
  const std::vector<Popup> before = popups(keys_);
  const auto [x, y] = onRoot(keys_, main, row(1));
  clickAt(keys_, x, y, Button3);
  ASSERT_TRUE(waitUntil([&] { return !popups(keys_, before).empty(); })) << program_->errors();
  ASSERT_TRUE(waitUntil([&] { return keyboardGrabbed(keys_); }));
  press({XK_Escape});
  ASSERT_TRUE(waitUntil([&] { return popups(keys_, before).empty() && !keyboardGrabbed(keys_); }));
  editor_->heard();
  press({XK_Return});
  EXPECT_TRUE(pasted(*editor_)) << program_->errors();
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "5000");
}

// After a click on a row, on the preview or on the info bar, what is typed goes on into the search
// field at its caret: a query begun "apple", its caret moved to the start, then "big " typed after the
// click, reads "big apple".
TEST_F(RowRoadsX11Test, TypingAfterAClickGoesOnIntoTheSearchFieldAtItsCaret) {
  // "big pear" comes first for "big " alone, and nothing is found for "applebig ".
  ASSERT_NO_FATAL_FAILURE(start(root_.path(), {"apple tart", "apple pie", "big apple", "big pear"}));
  struct Case {
    const char* name;
    Spot at;
  };
  for (const Case& c :
       {Case{"a row", row(1)}, Case{"the preview", kPreviewText}, Case{"the info bar", kInfoLine}}) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(showMain());
    ASSERT_TRUE(typeIntoSearch("apple"));
    for (int i = 0; i < 5; ++i) press({XK_Left});
    click(window("Vellisto"), c.at);
    EXPECT_TRUE(typeIntoSearch("big ")) << "typed letters were lost";
    editor_->heard();
    press({XK_Return});
    EXPECT_TRUE(pasted(*editor_)) << program_->errors();
    EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "big apple");
    ASSERT_TRUE(waitUntil([&] { return !mapped("Vellisto"); })) << program_->errors();
  }
}

}  // namespace
}  // namespace vl::x11test
