#include "support/RoadTestSupport.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "support/RequiredDesktop.h"

namespace vl::x11test {

std::pair<int, int> onRoot(Display* display, ::Window window, Spot at) {
  int x = 0, y = 0;
  ::Window child = None;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), at.x, at.y, &x, &y, &child);
  return {x, y};
}

std::string focusedTitle(Display* display) {
  for (::Window w = keyboardFocus(display); w != None && w != PointerRoot;) {
    char* name = nullptr;
    if (XFetchName(display, w, &name) && name) {
      std::string title = name;
      XFree(name);
      return title;
    }
    ::Window root = None, parent = None, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, w, &root, &parent, &children, &count)) break;
    if (children) XFree(children);
    if (parent == root) break;
    w = parent;
  }
  return "";
}

::Window waitForWindow(Display* display, const std::string& title, int timeoutMs) {
  ::Window found = None;
  waitUntil([&] { return (found = findMappedWindow(display, DefaultRootWindow(display), title)) != None; },
            timeoutMs);
  return found;
}

std::vector<Popup> popups(Display* display, const std::vector<Popup>& before) {
  std::vector<Popup> found;
  ::Window root = 0, up = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &up, &children, &count)) return found;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes a;
    const bool old =
        std::any_of(before.begin(), before.end(), [&](const Popup& p) { return p.id == children[i]; });
    if (!old && XGetWindowAttributes(display, children[i], &a) && a.map_state == IsViewable &&
        a.override_redirect)
      found.push_back({children[i], a});
  }
  if (children) XFree(children);
  return found;
}

bool keyboardGrabbed(Display* display) {
  const int grabbed =
      XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (grabbed == GrabSuccess) XUngrabKeyboard(display, CurrentTime);
  XSync(display, False);
  return grabbed == AlreadyGrabbed;
}

bool isPasteChord(const TestWindow::Key& key) {
  return key.press && key.keysym == XK_v && (key.state & ControlMask);
}

std::vector<TestWindow::Key> keysUpToPaste(TestWindow& editor, int timeoutMs) {
  std::vector<TestWindow::Key> keys;
  for (bool chord = false; !chord;) {
    const std::vector<TestWindow::Key> next = editor.keys(1, timeoutMs);
    if (next.empty()) break;
    keys.push_back(next.front());
    chord = isPasteChord(next.front());
  }
  return keys;
}

::testing::AssertionResult pasted(TestWindow& editor) {
  const std::vector<TestWindow::Key> keys = keysUpToPaste(editor);
  if (!keys.empty() && isPasteChord(keys.back())) return ::testing::AssertionSuccess();
  std::string seen;
  for (const auto& key : keys)
    seen += (key.press ? "+" : "-") + std::to_string(key.keysym) + "/" + std::to_string(key.state) + " ";
  return ::testing::AssertionFailure() << "no paste chord after the keys " << seen;
}

void RoadTest::SetUp() {
  ProgramKeysTest::SetUp();
  if (IsSkipped() || HasFatalFailure()) return;
  // Windows come and go while the tree is walked; a vanished one is no failure.
  previousHandler_ = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  handlerSet_ = true;
  wm_ = DisplayHelper::windowManager(display_);
  if (!wm_ || !wm_->running()) VL_SKIP_WITHOUT_DESKTOP("no window manager");
}

void RoadTest::TearDown() {
  program_.reset();
  tray_.reset();
  if (handlerSet_) XSetErrorHandler(previousHandler_);
  ProgramKeysTest::TearDown();
}

void RoadTest::launch(const std::string& root, const std::vector<std::string>& environment, bool docked) {
  if (docked) tray_.emplace(display_, 0xececec, 0, 0);
  program_.emplace(root, display_, environment);
  ASSERT_TRUE(program_->started());
  if (docked) {
    ASSERT_NE(tray_->accept(kProgramAnswerMs), None) << program_->errors();
  }
  ASSERT_TRUE(
      waitUntil([&] { return program_->count("start-up: launching finished") == 1; }, kProgramAnswerMs))
      << program_->errors();
  ASSERT_TRUE(waitUntil([&] { return program_->count("capture: the clipboard tells of each change") > 0; },
                        kProgramAnswerMs))
      << program_->errors();
}

int RoadTest::heightOf(::Window window) {
  XWindowAttributes a{};
  return XGetWindowAttributes(keys_, window, &a) ? a.height : 0;
}

bool RoadTest::inFront(TestWindow& window) {
  window.focus();
  window.makeActive();
  return waitUntil([&] { return focused() == window.id(); });
}

::testing::AssertionResult RoadTest::showMain(const std::vector<KeySym>& hotKey) {
  const std::size_t shown = program_->count("Show On HintTable");
  press(hotKey);
  const char* missing = nullptr;
  if (window("Vellisto") == None) {
    missing = "main window";
  } else if (!waitUntil([&] { return focusedTitle() == "Vellisto"; })) {
    missing = "keyboard";
  } else if (!program_->logged("Show On HintTable", shown)) {
    missing = "list";
  } else if (!programTakesKeys(keys_)) {
    missing = "keyboard on the search field";
  } else {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "no " << missing << " after the hot key; the keyboard is on \"" << focusedTitle() << "\"\n"
         << program_->errors();
}

void RoadTest::type(const std::string& text) {
  for (char c : text) {
    const KeySym sym = c == '-'   ? XK_minus
                       : c == '^' ? XK_asciicircum
                       : c == '[' ? XK_bracketleft
                       : c == ']' ? XK_bracketright
                       : c == '+' ? XK_plus
                                  : static_cast<KeySym>(c);
    if (c == '^' || c == '+' || (c >= 'A' && c <= 'Z')) {
      press({XK_Shift_L, sym});
    } else {
      press({sym});
    }
  }
}

::testing::AssertionResult RoadTest::typeIntoSearch(const std::string& text) {
  for (char c : text) {
    const std::size_t shown = program_->count("Show On HintTable");
    type(std::string(1, c));
    if (!program_->logged("Show On HintTable", shown))
      return ::testing::AssertionFailure() << "'" << c << "' of \"" << text << "\" made no search\n"
                                           << program_->errors();
  }
  return ::testing::AssertionSuccess();
}

void RoadTest::click(::Window window, Spot at, bool slides) {
  const auto [x, y] = onRoot(keys_, window, at);
  EXPECT_TRUE(clickProgram(keys_, *program_, x, y, slides)) << at.x << "," << at.y << "\n"
                                                            << program_->errors();
}

bool RoadTest::chooseTab(::Window preferences, Spot tab) {
  const int before = heightOf(preferences);
  click(preferences, tab);
  return waitUntil([&] { return heightOf(preferences) != before; }, kProgramAnswerMs);
}

::Window RoadTest::openFromStatusMenu(int rowsDown, const std::string& title) {
  // The stand-in tray's panel is now and then unmapped again while the window manager settles: each try
  // maps it back before the click, as a desktop's panel is always there.
  bool opened = false;
  for (int attempt = 0; attempt < 5 && !opened; ++attempt) {
    std::optional<std::pair<int, int>> centre;
    if (!waitUntil([&] { return (centre = tray_->iconCentre()).has_value(); })) break;
    const std::vector<Popup> before = popups(keys_);
    // The icon is no window of the program's toolkit: the menu it opens tells that the click came.
    clickAt(keys_, centre->first, centre->second);
    opened = waitUntil([&] { return !popups(keys_, before).empty(); }, 5000);
  }
  EXPECT_TRUE(opened) << program_->errors();
  // The menu takes the keyboard just after it shows: keys before that would go elsewhere.
  EXPECT_TRUE(waitUntil([&] { return keyboardGrabbed(keys_); }));
  for (int i = 0; i < rowsDown; ++i) press({XK_Down});
  press({XK_Return});
  const ::Window opening = window(title);
  EXPECT_NE(opening, None) << title << "\n" << program_->errors();
  return opening;
}

std::string RoadTest::pinFolder(const std::string& name) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(program_->home() + "/.vellisto/pin", error)) {
    if (entry.path().filename().string().find("._." + name + "._.") != std::string::npos) return entry.path();
  }
  return "";
}

}  // namespace vl::x11test
