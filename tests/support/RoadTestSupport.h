#pragma once

// clang-format off
// gtest before any X11 header: Xlib's macros (None, Bool, Status) would break its headers.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
// clang-format on

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/ProgramUnderTest.h"
#include "support/StandInTray.h"
#include "support/X11TestSupport.h"

// What the road tests share as they drive the real program on a desktop: where a user clicks, what the
// keyboard holds, the menus on screen, and the few steps every road begins with.
namespace vl::x11test {

// A point in window content from its top left, where the program lays out what a user clicks: the same
// every run, as the windows are fixed in size and the lists start empty.
struct Spot {
  int x, y;
};
// A click that slides a page, a sheet, a panel or an alert in or out: the next click waits until it came
// to rest, as clicks meanwhile are ignored.
inline constexpr bool kSlides = true;

// The point of a window's content on the root.
std::pair<int, int> onRoot(Display* display, ::Window window, Spot at);
// The title of the window that has the keyboard, or of its nearest titled ancestor; "" when none has one.
std::string focusedTitle(Display* display);
// The mapped window titled so (see findMappedWindow), waited for; None when none came within `timeoutMs`.
::Window waitForWindow(Display* display, const std::string& title, int timeoutMs = kProgramAnswerMs);
// A menu on screen: a mapped override-redirect child of the root, with where it stands.
struct Popup {
  ::Window id;
  XWindowAttributes attributes;
};
// The menus on screen now that are not among `before`.
std::vector<Popup> popups(Display* display, const std::vector<Popup>& before = {});
// Whether another client holds the keyboard (an open menu does, once it shows).
bool keyboardGrabbed(Display* display);
// Whether the key event is the paste chord: V pressed with Ctrl held.
bool isPasteChord(const TestWindow::Key& key);
// The key events `editor` gets up to and with the paste chord (V pressed with Ctrl held), each waited for
// at most `timeoutMs`: the last is the chord when it came.
std::vector<TestWindow::Key> keysUpToPaste(TestWindow& editor, int timeoutMs = kProgramAnswerMs);
// Whether the paste chord reached `editor`; the keys it got on the way tell a failure.
::testing::AssertionResult pasted(TestWindow& editor);

// A road test on a desktop: ProgramKeysTest under a window manager (openbox), where X errors about
// windows that went while the test walked the tree are no failure. The program, and the tray it may dock
// in, go before the connection.
class RoadTest : public ProgramKeysTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program in a home under `root`, docked in a stand-in tray when `docked`, and returns once
  // it finished launching (its hot keys are registered then) and its capture listens: what the clipboard
  // held before is old to it, copies made after are new.
  void launch(const std::string& root, const std::vector<std::string>& environment, bool docked = false);

  // The mapped window titled so, waited for; None when none came.
  ::Window window(const std::string& title, int timeoutMs = kProgramAnswerMs) {
    return waitForWindow(keys_, title, timeoutMs);
  }
  bool mapped(const std::string& title) {
    return findMappedWindow(keys_, DefaultRootWindow(keys_), title) != None;
  }
  std::string focusedTitle() { return x11test::focusedTitle(keys_); }
  int heightOf(::Window window);

  // Maps a test client's window in front and gives it the keyboard, as a user's click on it would.
  bool inFront(TestWindow& window);
  // The hot key: the main window comes with the keyboard and its list, and keys typed next reach its
  // search field.
  ::testing::AssertionResult showMain(const std::vector<KeySym>& hotKey = {XK_Control_L, XK_Alt_L, XK_v});
  // Printable ASCII on a US layout.
  void type(const std::string& text);
  // Types one key at a time, each answered by the list's search before the next, as a person reading it
  // would.
  ::testing::AssertionResult typeIntoSearch(const std::string& text);
  // A left click in a window of the program, returning once the program dealt with it (and, when it
  // `slides` something in or out, once that came to rest).
  void click(::Window window, Spot at, bool slides = false);
  // A click on a preferences tab: true once the window took the new pane's height (each pane differs in
  // height from the one before it).
  [[nodiscard]] bool chooseTab(::Window preferences, Spot tab);
  // The window of the status menu's row that many rows down (separators are passed over), by its title:
  // a click on the tray icon, then the keys a user would press.
  ::Window openFromStatusMenu(int rowsDown, const std::string& title);
  ::Window openPreferences() { return openFromStatusMenu(5, "Vellisto Preferences"); }
  // The folder of the pin tab named so ("<id>._.<name>._. ..."); "" while there is none.
  std::string pinFolder(const std::string& name);

  std::unique_ptr<DisplayHelper> wm_;
  std::optional<StandInTray> tray_;
  std::optional<Program> program_;

 private:
  XErrorHandler previousHandler_ = nullptr;
  bool handlerSet_ = false;
};

}  // namespace vl::x11test
