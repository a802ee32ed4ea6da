// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/doc/Vellisto_BigDoc.h"
#include "platform/foundation/Files.h"
#include "support/ProgramUnderTest.h"
#include "support/StandInTray.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

// Where a user clicks, in window content from the top left; the windows are fixed in size.
struct Spot {
  int x, y;
};

// Roads of the keyboard through the assembled program: which window has it after the hot key, what
// typed keys reach, and what Escape closes.
class KeyRoadsX11Test : public ProgramKeysTest {
 protected:
  void SetUp() override {
    ProgramKeysTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // Windows come and go while the tree is walked; a vanished one is no failure.
    previousHandler_ = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    handlerSet_ = true;
    wm_ = DisplayHelper::windowManager(display_);
    if (!wm_ || !wm_->running()) VL_SKIP_WITHOUT_DESKTOP("no window manager");
  }
  void TearDown() override {
    program_.reset();
    tray_.reset();
    if (handlerSet_) XSetErrorHandler(previousHandler_);
    ProgramKeysTest::TearDown();
  }

  // The program docked in a tray (for its menu), capturing, with the given copies in its history.
  void start(const std::vector<std::string>& copies = {}) {
    tray_.emplace(display_, 0xececec, 0, 0);
    program_.emplace(root_.path(), display_, std::vector<std::string>{"VELLISTO_LOG=debug"});
    ASSERT_TRUE(program_->started());
    ASSERT_NE(tray_->accept(20000), None) << program_->errors();
    ASSERT_TRUE(waitUntil([&] { return program_->count("start-up: launching finished") == 1; }, 20000))
        << program_->errors();
    ASSERT_TRUE(
        waitUntil([&] { return program_->count("capture: the clipboard tells of each change") > 0; }, 20000))
        << program_->errors();
    for (const std::string& text : copies) {
      ASSERT_TRUE(xclipSet(display_, "UTF8_STRING", text));
      ASSERT_TRUE(waitUntil([&] { return history().find(text) != std::string::npos; }, 20000))
          << text << "\n"
          << program_->errors();
    }
  }
  std::string history() {
    auto doc = std::make_shared<Vellisto_BigDoc>();
    return doc->load(program_->home() + "/.vellisto/data/BigDoc_0") ? doc->stringValue() : "";
  }

  // One key or chord, then a pause a typing person leaves.
  void keys(const std::vector<KeySym>& chord) {
    press(chord);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
  }
  // Lower-case letters, digits and blanks.
  void type(const std::string& text) {
    for (char c : text) keys({c == ' ' ? static_cast<KeySym>(XK_space) : static_cast<KeySym>(c)});
  }
  void hotKey() { press({XK_Control_L, XK_Alt_L, XK_v}); }

  void click(int x, int y, unsigned button = Button1, int settleMs = 300) {
    XTestFakeMotionEvent(keys_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(keys_, button, True, CurrentTime);
    XTestFakeButtonEvent(keys_, button, False, CurrentTime);
    XSync(keys_, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
  }
  void click(::Window w, Spot at, unsigned button = Button1, int settleMs = 300) {
    int x = 0, y = 0;
    ::Window child = None;
    XTranslateCoordinates(keys_, w, DefaultRootWindow(keys_), at.x, at.y, &x, &y, &child);
    click(x, y, button, settleMs);
  }

  // The mapped window titled so; None when there is none within the time.
  ::Window window(const std::string& title, int timeoutMs = 15000) {
    ::Window found = None;
    waitUntil([&] { return (found = findMappedWindow(keys_, DefaultRootWindow(keys_), title)) != None; },
              timeoutMs);
    return found;
  }
  bool mapped(const std::string& title) {
    return findMappedWindow(keys_, DefaultRootWindow(keys_), title) != None;
  }
  // The title of the window that has the keyboard, or of its nearest titled ancestor.
  std::string focusedTitle() {
    for (::Window w = focused(); w != None && w != PointerRoot;) {
      char* name = nullptr;
      if (XFetchName(keys_, w, &name) && name) {
        std::string title = name;
        XFree(name);
        return title;
      }
      ::Window root = None, parent = None, *children = nullptr;
      unsigned int count = 0;
      if (!XQueryTree(keys_, w, &root, &parent, &children, &count)) break;
      if (children) XFree(children);
      if (parent == root) break;
      w = parent;
    }
    return "";
  }

  // The status menu's Preferences: a click on the tray icon, then the keys a user would press.
  ::Window openPreferences() {
    bool opened = false;
    for (int attempt = 0; attempt < 5 && !opened; ++attempt) {
      std::optional<std::pair<int, int>> centre;
      if (!waitUntil([&] { return (centre = tray_->iconCentre()).has_value(); })) break;
      const int before = popups();
      click(centre->first, centre->second);
      opened = waitUntil([&] { return popups() > before; }, 2000);
    }
    EXPECT_TRUE(opened) << program_->errors();
    // The menu takes the keyboard just after it shows: keys before that would go elsewhere.
    EXPECT_TRUE(waitUntil([&] {
      const int grabbed =
          XGrabKeyboard(keys_, DefaultRootWindow(keys_), False, GrabModeAsync, GrabModeAsync, CurrentTime);
      if (grabbed == GrabSuccess) XUngrabKeyboard(keys_, CurrentTime);
      XSync(keys_, False);
      return grabbed == AlreadyGrabbed;
    }));
    for (int i = 0; i < 5; ++i) keys({XK_Down});
    keys({XK_Return});
    const ::Window preferences = window("General");
    EXPECT_TRUE(waitUntil([&] { return focusedTitle() == "General"; })) << program_->errors();
    return preferences;
  }
  int popups() {
    ::Window root = 0, up = 0, *children = nullptr;
    unsigned int count = 0;
    int n = 0;
    if (!XQueryTree(keys_, DefaultRootWindow(keys_), &root, &up, &children, &count)) return 0;
    for (unsigned int i = 0; i < count; ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(keys_, children[i], &a) && a.map_state == IsViewable && a.override_redirect) ++n;
    }
    if (children) XFree(children);
    return n;
  }

  // The main window shown by the hot key with the keyboard in its search field, ready for typing.
  bool showMain() {
    const std::size_t shown = program_->count("Show On HintTable");
    hotKey();
    return window("Vellisto") != None &&
           waitUntil([&] { return focusedTitle() == "Vellisto"; }) &&
           waitUntil([&] { return program_->count("Show On HintTable") > shown; });
  }
  // Types one key at a time, each answered by the list before the next, as a person reading it would.
  void typeIntoSearch(const std::string& text) {
    for (char c : text) {
      const std::size_t shown = program_->count("Show On HintTable");
      type(std::string(1, c));
      EXPECT_TRUE(waitUntil([&] { return program_->count("Show On HintTable") > shown; }, 5000))
          << "'" << c << "' of \"" << text << "\" made no search\n"
          << program_->errors();
    }
  }
  // What a Return pastes: the record the list chose for what was typed.
  std::string pastedByReturn() {
    keys({XK_Return});
    waitUntil([&] { return !mapped("Vellisto"); });
    std::string now;
    waitUntil([&] { return !(now = xclipGet(display_, "UTF8_STRING").value_or("")).empty(); });
    return now;
  }

  XErrorHandler previousHandler_ = nullptr;
  bool handlerSet_ = false;
  std::unique_ptr<DisplayHelper> wm_;
  test::TempDir root_{"vl-keyroads"};
  std::optional<StandInTray> tray_;
  std::optional<Program> program_;
};

// The hot key pressed while Preferences has the keyboard brings the main window in front with the
// keyboard: a query typed then arrives whole in the search field, nothing of it reaches the editor
// behind, and Return pastes the one record it names. Preferences stays through it all.
TEST_F(KeyRoadsX11Test, AQueryTypedAfterTheHotKeyOverPreferencesArrivesWholeInTheSearchField) {
  ASSERT_NO_FATAL_FAILURE(start({"wxyvuts", "wx decoy"}));
  TestWindow editor(display_, "Editor");
  editor.focus();
  editor.makeActive();
  ASSERT_NE(openPreferences(), None);
  editor.keys(64, 200);  // the menu's keys went past it

  ASSERT_TRUE(showMain()) << focusedTitle() << "\n" << program_->errors();
  EXPECT_TRUE(mapped("General")) << "Preferences went with the hot key";
  typeIntoSearch("wxyvuts");
  EXPECT_EQ(pastedByReturn(), "wxyvuts") << program_->errors();
  // Up to the paste chord the editor heard nothing of the typing.
  std::string heard;
  for (const auto& key : editor.keys(64, 3000)) {
    if (key.press && key.keysym == XK_v && (key.state & ControlMask)) break;
    if (key.press && key.keysym >= XK_a && key.keysym <= XK_z) heard += static_cast<char>(key.keysym);
  }
  EXPECT_EQ(heard, "");
  EXPECT_TRUE(mapped("General")) << "Preferences went with the paste";
}

// Escape hides the main window the hot key brought over Preferences, and only it: the keyboard goes
// back to Preferences, where the user was.
TEST_F(KeyRoadsX11Test, EscapeHidesOnlyTheMainWindowAndGivesTheKeyboardBackToPreferences) {
  ASSERT_NO_FATAL_FAILURE(start());
  TestWindow editor(display_, "Editor");
  editor.focus();
  editor.makeActive();
  ASSERT_NE(openPreferences(), None);
  ASSERT_TRUE(showMain()) << focusedTitle() << "\n" << program_->errors();
  keys({XK_Escape});
  EXPECT_TRUE(waitUntil([&] { return !mapped("Vellisto"); })) << program_->errors();
  EXPECT_TRUE(mapped("General")) << "Escape closed Preferences with the main window";
  EXPECT_TRUE(waitUntil([&] { return focusedTitle() == "General"; })) << focusedTitle();
}

}  // namespace
}  // namespace vl::x11test
