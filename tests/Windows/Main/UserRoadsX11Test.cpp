// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/doc/Vellisto_BigDoc.h"
#include "platform/foundation/Files.h"
#include "support/TestSupport.h"
#include "support/ProgramUnderTest.h"
#include "support/StandInTray.h"
#include "support/X11TestSupport.h"
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

// Points in window content (top left origin) where the program lays out what a user clicks: the same
// for every run, as the windows are fixed in size and the lists start empty.
struct Spot {
  int x, y;
};
// Preferences: the tab bar (70 wide tabs from x 5), the Security list's "+" and its chooser, the
// Snippets list's "+" and its sheet.
constexpr Spot kSecurityTab{250, 30}, kSnippetsTab{180, 30};
constexpr Spot kAddIgnored{60, 374}, kFirstChoice{100, 112}, kChooserAdd{570, 371};
constexpr Spot kAddSnippet{50, 436}, kAliasField{354, 145}, kSnippetField{354, 272}, kSnippetAdd{550, 398};
// A click that slides a page, a sheet or a panel in or out: the next click waits until it came to rest,
// as clicks meanwhile are ignored.
constexpr bool kSlide = true;
// The main window: the pin bar's "+", the new tab's name and auto-pick "+", the rule list's
// "Text matching", its expression field and Save, and the panel's OK.
constexpr Spot kAddPinTab{135, 20}, kTabName{312, 93}, kAddRule{205, 273}, kTextMatching{491, 256};
constexpr Spot kExpression{387, 158}, kSaveRule{485, 397}, kTabOk{485, 21};

class UserRoadsX11Test : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (!files::exists(Program::path())) VL_SKIP_WITHOUT_DESKTOP("build the vellisto target first");
    x_ = XOpenDisplay(display_.c_str());
    ASSERT_NE(x_, nullptr);
    // Windows come and go while the tree is walked; a vanished one is no failure.
    previousHandler_ = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    handlerSet_ = true;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(x_, &event, &error, &major, &minor)) VL_SKIP_WITHOUT_DESKTOP("no XTest");
    wm_ = DisplayHelper::windowManager(display_);
    if (!wm_ || !wm_->running()) VL_SKIP_WITHOUT_DESKTOP("no window manager");
  }
  void TearDown() override {
    program_.reset();
    tray_.reset();
    if (x_) XCloseDisplay(x_);
    if (handlerSet_) XSetErrorHandler(previousHandler_);
  }

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
    tray_.emplace(display_, 0xececec, 0, 0);
    program_.emplace(
        root_.path(), display_,
        std::vector<std::string>{"XDG_DATA_DIRS=" + root_.path() + "/share", "VELLISTO_LOG=debug"});
    ASSERT_TRUE(program_->started());
    ASSERT_NE(tray_->accept(kProgramAnswerMs), None) << program_->errors();
    // Copies come once launching is over and capture listens: what the clipboard holds before is old.
    ASSERT_TRUE(
        waitUntil([&] { return program_->count("start-up: launching finished") == 1; }, kProgramAnswerMs))
        << program_->errors();
    ASSERT_TRUE(waitUntil([&] { return program_->count("capture: the clipboard tells of each change") > 0; },
                          kProgramAnswerMs))
        << program_->errors();
  }

  // The status menu's Preferences: a click on the tray icon, then the keys a user would press.
  ::Window openPreferences() { return openFromStatusMenu(5, "Vellisto Preferences"); }
  // The window of the status menu's row that many rows down (separators are passed over), by its title.
  ::Window openFromStatusMenu(int rowsDown, const std::string& title) {
    // The stand-in tray's panel is now and then unmapped again while the window manager settles: each
    // try maps it back before the click, as a desktop's panel is always there.
    bool opened = false;
    for (int attempt = 0; attempt < 5 && !opened; ++attempt) {
      std::optional<std::pair<int, int>> centre;
      if (!waitUntil([&] { return (centre = tray_->iconCentre()).has_value(); })) break;
      const int before = popups();
      clickTray(centre->first, centre->second);
      opened = waitUntil([&] { return popups() > before; }, 5000);
    }
    EXPECT_TRUE(opened) << program_->errors();
    // The menu takes the keyboard just after it shows: keys before that would go elsewhere.
    EXPECT_TRUE(waitUntil([&] {
      const int grabbed =
          XGrabKeyboard(x_, DefaultRootWindow(x_), False, GrabModeAsync, GrabModeAsync, CurrentTime);
      if (grabbed == GrabSuccess) XUngrabKeyboard(x_, CurrentTime);
      XSync(x_, False);
      return grabbed == AlreadyGrabbed;
    }));
    for (int i = 0; i < rowsDown; ++i) keys({XK_Down});
    keys({XK_Return});
    return window(title);
  }
  // A click on a preferences tab, returning once the window took the new pane's height (each tab's pane
  // differs in height from the one before it here).
  void chooseTab(::Window preferences, Spot tab) {
    const int before = heightOf(preferences);
    click(preferences, tab);
    EXPECT_TRUE(waitUntil([&] { return heightOf(preferences) != before; }, kProgramAnswerMs))
        << program_->errors();
  }
  int heightOf(::Window w) {
    XWindowAttributes a{};
    return XGetWindowAttributes(x_, w, &a) ? a.height : 0;
  }
  // The text of a window property; "" when absent.
  std::string textProperty(::Window w, const char* name) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(x_, w, XInternAtom(x_, name, False), 0, 1024, False, AnyPropertyType, &type, &format,
                       &count, &after, &data);
    std::string out = data && format == 8 ? std::string(reinterpret_cast<char*>(data), count) : "";
    if (data) XFree(data);
    return out;
  }
  // The main window over `editor` by the hot key, its search field ready for keys.
  ::Window openMain(TestWindow& editor) {
    // Once the window manager names the editor active, it has done all it does about its mapping.
    editor.focus();
    editor.makeActive();
    EXPECT_EQ(focused(), editor.id());
    const std::size_t shown = program_->count("Show On HintTable");
    keys({XK_Control_L, XK_Alt_L, XK_v});
    const ::Window main = window("Vellisto");
    EXPECT_TRUE(waitUntil([&] { return program_->count("Show On HintTable") > shown; }))
        << program_->errors();
    EXPECT_TRUE(programTakesKeys(x_)) << program_->errors();
    return main;
  }

  // The first doc of a folder of the program's data as a load would find it: its file and its journal.
  std::string docIn(const std::string& folder) {
    auto doc = std::make_shared<Vellisto_BigDoc>();
    return doc->load(folder + "/BigDoc_0") ? doc->stringValue() : "";
  }
  std::string history() { return docIn(root_.path() + "/home/.vellisto/data"); }
  // The folder of the pin tab named so ("<id>._.<name>._. ..."); "" while there is none.
  std::string pinFolder(const std::string& name) {
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(root_.path() + "/home/.vellisto/pin", error)) {
      if (entry.path().filename().string().find("._." + name + "._.") != std::string::npos)
        return entry.path();
    }
    return "";
  }
  bool copy(const std::string& text) { return xclipSet(display_, "UTF8_STRING", text); }

  // One key or chord. The program takes keys in the order they are pressed.
  void keys(const std::vector<KeySym>& chord) {
    for (KeySym k : chord) XTestFakeKeyEvent(x_, XKeysymToKeycode(x_, k), True, CurrentTime);
    for (auto k = chord.rbegin(); k != chord.rend(); ++k)
      XTestFakeKeyEvent(x_, XKeysymToKeycode(x_, *k), False, CurrentTime);
    XSync(x_, False);
  }
  // Printable ASCII on a US layout; the symbols a test types are mapped by hand.
  void type(const std::string& text) {
    for (char c : text) {
      const KeySym sym = c == '-'   ? XK_minus
                         : c == '^' ? XK_asciicircum
                         : c == '[' ? XK_bracketleft
                         : c == ']' ? XK_bracketright
                         : c == '+' ? XK_plus
                                    : static_cast<KeySym>(c);
      if (c == '^' || c == '+' || (c >= 'A' && c <= 'Z')) {
        keys({XK_Shift_L, sym});
      } else {
        keys({sym});
      }
    }
  }
  // A click on the tray icon, which is no window of the program's toolkit: the menu it opens tells.
  void clickTray(int x, int y) {
    XTestFakeMotionEvent(x_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(x_, Button1, True, CurrentTime);
    XTestFakeButtonEvent(x_, Button1, False, CurrentTime);
    XSync(x_, False);
  }
  // A click in a window of the program, returning once the program dealt with it (and, when it `slides`
  // a page in or out, once that came to rest).
  void click(::Window w, Spot at, bool slides = false) {
    int x = 0, y = 0;
    ::Window child = None;
    XTranslateCoordinates(x_, w, DefaultRootWindow(x_), at.x, at.y, &x, &y, &child);
    EXPECT_TRUE(clickProgram(x_, *program_, x, y, slides)) << at.x << "," << at.y << "\n"
                                                           << program_->errors();
  }
  ::Window focused() {
    ::Window focus = None;
    int revert = 0;
    XGetInputFocus(x_, &focus, &revert);
    return focus;
  }
  // The mapped window titled so, at any depth (the window manager reparents); None when absent. The
  // tray icon carries the program's name too, so icon-sized windows do not count.
  ::Window findMapped(::Window parent, const std::string& title) {
    return findMappedWindow(x_, parent, title);
  }
  ::Window window(const std::string& title) {
    ::Window found = None;
    EXPECT_TRUE(waitUntil([&] { return (found = findMapped(DefaultRootWindow(x_), title)) != None; },
                          kProgramAnswerMs))
        << title << "\n"
        << program_->errors();
    return found;
  }
  // How many pop-ups (mapped override-redirect windows) stand on the screen.
  int popups() {
    ::Window root = 0, up = 0, *children = nullptr;
    unsigned int count = 0;
    int n = 0;
    if (!XQueryTree(x_, DefaultRootWindow(x_), &root, &up, &children, &count)) return 0;
    for (unsigned int i = 0; i < count; ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(x_, children[i], &a) && a.map_state == IsViewable && a.override_redirect) ++n;
    }
    if (children) XFree(children);
    return n;
  }

  Display* x_ = nullptr;
  XErrorHandler previousHandler_ = nullptr;
  bool handlerSet_ = false;
  std::unique_ptr<DisplayHelper> wm_;
  test::TempDir root_{"vl-roads"};
  std::optional<StandInTray> tray_;
  std::optional<Program> program_;
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
      chooseTab(w, kSecurityTab);
      EXPECT_EQ(findMapped(DefaultRootWindow(x_), c.title), w) << "the tab's name took the window's";
    }
    EXPECT_EQ(textProperty(w, "_NET_WM_NAME"), c.title);
    XClassHint hint{};
    ASSERT_TRUE(XGetClassHint(x_, w, &hint));
    EXPECT_STREQ(hint.res_name, "vellisto");
    EXPECT_STREQ(hint.res_class, "Vellisto");
    XFree(hint.res_name);
    XFree(hint.res_class);
  }
}

// Preferences from the status menu: an application put on the Security list through its chooser
// stops being recorded at once while another still is, and a snippet added on its page is pasted by
// typing its alias in the main window.
TEST_F(UserRoadsX11Test, PreferencesIgnoreAnApplicationAndPasteASnippetByItsAlias) {
  ASSERT_NO_FATAL_FAILURE(start());
  const ::Window preferences = openPreferences();
  ASSERT_NE(preferences, None);
  chooseTab(preferences, kSecurityTab);
  click(preferences, kAddIgnored);
  click(preferences, kFirstChoice);
  click(preferences, kChooserAdd);

  TestWindow ledger(display_, "Ledger");
  ledger.focus();
  ledger.makeActive();
  ASSERT_TRUE(waitUntil([&] { return focused() == ledger.id(); }));
  ASSERT_TRUE(copy("ledger secret"));
  ASSERT_TRUE(waitUntil([&] { return program_->count("copiedFromSecurityApp") >= 1; })) << program_->errors();
  TestWindow editor(display_, "Editor");
  editor.focus();
  editor.makeActive();
  ASSERT_TRUE(waitUntil([&] { return focused() == editor.id(); }));
  ASSERT_TRUE(copy("editor note"));
  ASSERT_TRUE(waitUntil([&] { return history().find("editor note") != std::string::npos; }))
      << program_->errors();
  EXPECT_EQ(history().find("ledger secret"), std::string::npos);

  chooseTab(preferences, kSnippetsTab);
  click(preferences, kAddSnippet, kSlide);
  click(preferences, kAliasField);
  type("sig");
  click(preferences, kSnippetField);
  type("Best regards");
  click(preferences, kSnippetAdd, kSlide);

  ASSERT_NE(openMain(editor), None);
  editor.heard();  // the hot key's own presses
  for (KeySym key : {XK_s, XK_i, XK_g}) {
    const std::size_t shown = program_->count("Show On HintTable");
    keys({key});
    ASSERT_TRUE(waitUntil([&] { return program_->count("Show On HintTable") > shown; }))
        << program_->errors();
  }
  keys({XK_Return});
  bool pasted = false;
  for (const auto& key : editor.keys(4, kProgramAnswerMs))
    pasted = pasted || (key.press && key.keysym == XK_v);
  EXPECT_TRUE(pasted) << program_->errors();
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "Best regards");
}

// A pin tab made from the main window's bar with a text rule collects the copies that match, and
// only those.
TEST_F(UserRoadsX11Test, APinTabWithATextRuleCollectsTheCopiesThatMatch) {
  ASSERT_NO_FATAL_FAILURE(start());
  TestWindow editor(display_, "Editor");
  const ::Window main = openMain(editor);
  ASSERT_NE(main, None);
  click(main, kAddPinTab, kSlide);
  click(main, kTabName);
  type("Tickets");
  click(main, kAddRule, kSlide);
  click(main, kTextMatching, kSlide);
  click(main, kExpression);
  type("^ticket-[0-9]+");
  click(main, kSaveRule, kSlide);
  click(main, kTabOk);
  ASSERT_TRUE(waitUntil([&] { return !pinFolder("Tickets").empty(); })) << program_->errors();

  ASSERT_TRUE(copy("ticket-42"));
  ASSERT_TRUE(waitUntil([&] { return history().find("ticket-42") != std::string::npos; }))
      << program_->errors();
  ASSERT_TRUE(copy("hello"));
  ASSERT_TRUE(waitUntil([&] { return history().find("hello") != std::string::npos; })) << program_->errors();
  const std::string tab = docIn(pinFolder("Tickets"));
  EXPECT_NE(tab.find("ticket-42"), std::string::npos) << tab;
  EXPECT_EQ(tab.find("hello"), std::string::npos) << tab;
}

// After a paste from the main window the record window still hands out its queue: each Ctrl+V typed
// in another program takes the next entry.
TEST_F(UserRoadsX11Test, AfterAPasteFromTheMainWindowTheRecordWindowHandsOutItsQueue) {
  ASSERT_NO_FATAL_FAILURE(start());
  TestWindow editor(display_, "Editor");
  ASSERT_TRUE(copy("alpha"));
  ASSERT_TRUE(waitUntil([&] { return history().find("alpha") != std::string::npos; })) << program_->errors();
  ASSERT_NE(openMain(editor), None);
  editor.heard();  // the hot key's own presses
  keys({XK_Return});
  bool pasted = false;
  for (const auto& key : editor.keys(4, kProgramAnswerMs))
    pasted = pasted || (key.press && key.keysym == XK_v);
  ASSERT_TRUE(pasted) << program_->errors();
  ASSERT_TRUE(waitUntil([&] { return program_->count("paste: settled") == 1; })) << program_->errors();

  keys({XK_Control_L, XK_Alt_L, XK_r});
  const ::Window record = window("Vellisto Record");
  ASSERT_NE(record, None);
  editor.heard();
  auto heightOf = [&] {
    XWindowAttributes a;
    return XGetWindowAttributes(x_, record, &a) ? a.height : -1;
  };
  int height = heightOf();
  for (const char* text : {"first", "second"}) {
    ASSERT_TRUE(copy(text));
    ASSERT_TRUE(waitUntil([&] { return heightOf() > height; })) << text << "\n" << program_->errors();
    height = heightOf();
  }
  for (const std::string expected : {"second", "first"}) {
    ASSERT_TRUE(waitUntil([&] { return xclipGet(display_, "UTF8_STRING").value_or("") == expected; }))
        << expected << "\n"
        << program_->errors();
    keys({XK_Control_L, XK_v});
    ASSERT_FALSE(editor.keys(4).empty());
    ASSERT_TRUE(waitUntil([&] { return heightOf() < height; })) << expected << "\n" << program_->errors();
    height = heightOf();
  }
}

}  // namespace
}  // namespace vl::x11test
