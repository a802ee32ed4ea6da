// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
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

// Where a user clicks, in window content from the top left.
// The main window: the first row of the list.
constexpr Spot kFirstRow{150, 160};
// The main window: the device sync switch at the foot of the preview column; in a panel that drops
// from the top, its navigation bar's right item; the OK of an alert over the panel.
constexpr Spot kSyncSwitch{640, 513 - 25}, kPanelRightItem{485, 22}, kAlertOk{447, 247};
// The main window: the OK of an alert over it (a title of up to three lines).
constexpr Spot kMainAlertOk{480, 304};
// The main window: the preview column's snippet name field.
constexpr Spot kSnippetName{431, 443};
// The main window: the pin tab bar's "+".
constexpr Spot kAddPinTab{135, 20};
// Preferences: the Snippets tab, its list's "+", and the sheet's text and Add.
constexpr Spot kSnippetsTab{180, 30}, kAddSnippet{50, 436}, kSnippetText{354, 272}, kSnippetAdd{550, 398};
// The main window: the thinking bar's first action.
constexpr Spot kFirstAction{40, 110};
// Preferences' General pane: the hot key recorder.
constexpr Spot kHotKeyField{359, 200};
// The main window's preview column inside its separator lines: the info bar's line (the copy time) and
// the toolbar's row (the snippet name field and Delete); and the thinking bar across the window.
constexpr Spot kInfoBarFrom{348, 401}, kInfoBarTo{676, 421};
constexpr Spot kToolbarFrom{348, 426}, kToolbarTo{676, 460};
constexpr Spot kThinkingBarFrom{0, 92}, kThinkingBarTo{680, 126};
// The main window: the list's first row, inside its neighbours.
constexpr Spot kFirstRowFrom{10, 148}, kFirstRowTo{330, 172};

constexpr int kPageMs = 120000;

// A search engine on the loopback: its page puts the keyboard in its own search box as it loads, as the
// engines' pages do. It keeps the queries asked.
class EnginePage {
 public:
  EnginePage() {
    server_.Get("/search", [this](const httplib::Request& req, httplib::Response& res) {
      {
        std::lock_guard lock(mutex_);
        queries_.push_back(req.get_param_value("q"));
      }
      res.set_content(
          "<!DOCTYPE html><html><body style='background:#2f7d7a'><input id=box autofocus>"
          "<script>document.getElementById('box').focus()</script></body></html>",
          "text/html");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~EnginePage() {
    server_.stop();
    thread_.join();
  }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  bool asked(const std::string& query) const {
    std::lock_guard lock(mutex_);
    return std::find(queries_.begin(), queries_.end(), query) != queries_.end();
  }

 private:
  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> queries_;
};

// Roads of the keyboard through the assembled program: which window has it after the hot key, what
// typed keys reach, and what Escape closes.
class KeyRoadsX11Test : public RoadTest {
 protected:
  void TearDown() override {
    editor_.reset();
    RoadTest::TearDown();
  }

  // The program docked in a tray (for its menu), capturing, with the given copies in its history, and
  // an editor in front where the user works.
  void start(const std::vector<std::string>& copies = {}, std::vector<std::string> environment = {}) {
    environment.push_back("VELLISTO_LOG=debug");
    ASSERT_NO_FATAL_FAILURE(launch(root_.path(), environment, true));
    for (const std::string& text : copies) ASSERT_TRUE(copyKept(*program_, display_, text));
    editor_.emplace(display_, "Editor");
    ASSERT_TRUE(inFront(*editor_));
  }
  // The program's standard settings as stored (where the preview's on/off is kept).
  std::string settings() {
    return files::readFile(program_->home() + "/.config/vellisto/vellisto.json").value_or("");
  }
  std::string history() { return historyOf(*program_); }

  // A right click in a window of the program, which opens a menu, no window of the toolkit: the menu
  // tells.
  void rightClick(::Window w, Spot at) {
    const auto [x, y] = onRoot(keys_, w, at);
    clickAt(keys_, x, y, Button3);
  }
  // The status menu's Preferences, with the keyboard.
  ::Window openPreferences() {
    const ::Window preferences = RoadTest::openPreferences();
    EXPECT_TRUE(waitUntil([&] { return focusedTitle() == "Vellisto Preferences"; })) << program_->errors();
    return preferences;
  }
  // What a Return pastes into the editor: the record the list chose for what was typed, and the letters
  // the editor heard before the paste chord. The clipboard holds the record once the chord comes.
  std::pair<std::string, std::string> pastedByReturn() {
    press({XK_Return});
    std::string heard;
    bool chord = false;
    for (const TestWindow::Key& key : keysUpToPaste(*editor_)) {
      chord = isPasteChord(key);
      if (!chord && key.press && key.keysym >= XK_a && key.keysym <= XK_z)
        heard += static_cast<char>(key.keysym);
    }
    if (!chord) return {"(no paste chord)", heard};
    return {xclipGet(display_, "UTF8_STRING").value_or(""), heard};
  }

  // The pixels of a rectangle of the window's content, row by row, as the server shows it; empty when
  // it could not be read.
  std::vector<unsigned long> pixelsIn(::Window w, Spot from, Spot to) {
    std::vector<unsigned long> out;
    XImage* image = XGetImage(keys_, w, from.x, from.y, static_cast<unsigned>(to.x - from.x),
                              static_cast<unsigned>(to.y - from.y), AllPlanes, ZPixmap);
    if (!image) return out;
    for (int y = 0; y < image->height; ++y) {
      for (int x = 0; x < image->width; ++x) out.push_back(XGetPixel(image, x, y) & 0xffffff);
    }
    XDestroyImage(image);
    return out;
  }
  // Whether a bar shows nothing but its face: a single colour over the whole rectangle.
  bool plain(::Window w, Spot from, Spot to) {
    const std::vector<unsigned long> pixels = pixelsIn(w, from, to);
    return !pixels.empty() && std::set<unsigned long>(pixels.begin(), pixels.end()).size() == 1;
  }
  bool recordPartsGone(::Window main) {
    return plain(main, kInfoBarFrom, kInfoBarTo) && plain(main, kToolbarFrom, kToolbarTo);
  }

  test::TempDir root_{"vl-keyroads"};
  std::optional<TestWindow> editor_;
};

// The hot key pressed while Preferences has the keyboard brings the main window in front with the
// keyboard: a query typed then arrives whole in the search field, nothing of it reaches the editor
// behind, and Return pastes the one record it names. Preferences stays through it all.
TEST_F(KeyRoadsX11Test, AQueryTypedAfterTheHotKeyOverPreferencesArrivesWholeInTheSearchField) {
  ASSERT_NO_FATAL_FAILURE(start({"wxyvuts", "wx decoy"}));
  ASSERT_NE(openPreferences(), None);
  editor_->heard();  // the menu's keys went past it

  ASSERT_TRUE(showMain());
  EXPECT_TRUE(mapped("Vellisto Preferences")) << "Preferences went with the hot key";
  EXPECT_TRUE(typeIntoSearch("wxyvuts"));
  const auto [pasted, heard] = pastedByReturn();
  EXPECT_EQ(pasted, "wxyvuts") << program_->errors();
  // Up to the paste chord the editor heard nothing of the typing.
  EXPECT_EQ(heard, "");
  EXPECT_TRUE(mapped("Vellisto Preferences")) << "Preferences went with the paste";
}

// Escape hides the main window the hot key brought over Preferences, and only it: the keyboard goes
// back to Preferences, where the user was.
TEST_F(KeyRoadsX11Test, EscapeHidesOnlyTheMainWindowAndGivesTheKeyboardBackToPreferences) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_NE(openPreferences(), None);
  ASSERT_TRUE(showMain());
  press({XK_Escape});
  EXPECT_TRUE(waitUntil([&] { return !mapped("Vellisto"); })) << program_->errors();
  EXPECT_TRUE(mapped("Vellisto Preferences")) << "Escape closed Preferences with the main window";
  EXPECT_TRUE(waitUntil([&] { return focusedTitle() == "Vellisto Preferences"; })) << focusedTitle();
}

// A page shown in the preview (the web search of a query that matches nothing) asks for the keyboard
// as it loads. A click made elsewhere while the main window was hidden (the hot key recorder, over the
// spot where the page shows) is no click on the page: typing goes on into the search field.
TEST_F(KeyRoadsX11Test, APageLoadingInThePreviewLeavesTheKeyboardToTheSearchField) {
#ifndef VL_WEBVIEW_HELPER
  VL_SKIP_WITHOUT_DESKTOP("vellisto-webview was not built (no webkit2gtk-4.1 development files)");
#endif
  EnginePage engine;
  const std::string services = root_.path() + "/services.json";
  ASSERT_TRUE(files::atomicWrite(services, R"({"google": ")" + engine.base() + R"("})"));
  ASSERT_NO_FATAL_FAILURE(start({}, {std::string("VELLISTO_SERVICES=") + services,
                                     "WEBKIT_DISABLE_COMPOSITING_MODE=1", "no_proxy=127.0.0.1"}));
  // A first search that shows the page, so the main window holds it while hidden.
  ASSERT_TRUE(showMain());
  type("q");
  ASSERT_TRUE(waitUntil([&] { return engine.asked("q"); }, kPageMs)) << program_->errors();
  press({XK_Escape});
  ASSERT_TRUE(waitUntil([&] { return !mapped("Vellisto"); })) << program_->errors();

  const ::Window preferences = openPreferences();
  ASSERT_NE(preferences, None);
  click(preferences, kHotKeyField);
  press({XK_Control_L, XK_Alt_L, XK_b});
  ASSERT_TRUE(waitUntil([&] { return program_->count("hot key 1 is Ctrl+Alt+B") == 1; }))
      << program_->errors();
  // With the keyboard on the window itself for a moment (a window manager puts it there), keys would go
  // to the page under the pointer, left over it by the click on the recorder.
  ASSERT_TRUE(showMain({XK_Control_L, XK_Alt_L, XK_b}));
  // Slowly, each letter's page loaded before the next.
  std::string typed;
  for (char c : std::string("wxyvuts")) {
    type(std::string(1, c));
    typed += c;
    ASSERT_TRUE(waitUntil([&] { return engine.asked(typed); }, kPageMs))
        << "\"" << typed << "\" never searched\n"
        << program_->errors();
  }
  // The hot key's own modifiers, pressed right after it was recorded, changed nothing.
  EXPECT_EQ(program_->count("double tap"), 0u) << program_->errors();
}

// The hot key pressed again the moment the main window went (by Escape, the hot key or a paste) brings
// it back with the keyboard, and it stays: the keyboard passing through the editor as the window went
// is no reason to hide it again.
TEST_F(KeyRoadsX11Test, TheHotKeyRightAfterAHideShowsTheMainWindowToStay) {
  ASSERT_NO_FATAL_FAILURE(start({"alpha"}));
  const std::vector<std::vector<KeySym>> hides = {{XK_Escape}, {XK_Control_L, XK_Alt_L, XK_v}, {XK_Return}};
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(showMain());
    // Still there once the window manager is done with what came before.
    ASSERT_TRUE(windowManagerCaughtUp(keys_));
    EXPECT_TRUE(mapped("Vellisto")) << program_->errors();
    ASSERT_EQ(focusedTitle(), "Vellisto") << program_->errors();
    press(hides[static_cast<std::size_t>(round) % hides.size()]);
    ASSERT_TRUE(waitUntil([&] { return !mapped("Vellisto"); })) << program_->errors();
  }
}

// Ctrl+F over the detail view opens its find field, which takes the words typed next; nothing of them
// (nor the Ctrl+F) reaches the main window's shortcuts under the overlay.
TEST_F(KeyRoadsX11Test, TheDetailViewsFindFieldTakesTheWordsTypedAndNoShortcutUnderIt) {
  ASSERT_NO_FATAL_FAILURE(start({"alpha pear"}));
  ASSERT_TRUE(showMain());
  const std::string before = settings();
  press({XK_Shift_L, XK_Return});
  press({XK_Control_L, XK_f});
  type("pear");
  EXPECT_TRUE(waitUntil([&] { return program_->count("detail: the find words match 1 times") == 1; }))
      << program_->errors();
  EXPECT_EQ(settings(), before) << "a shortcut under the detail view acted";
  // Escape closes the detail view, and only it.
  press({XK_Escape});
  EXPECT_TRUE(mapped("Vellisto"));
}

// Escape on a row's context menu closes the menu, and only it.
TEST_F(KeyRoadsX11Test, EscapeOnARowsMenuClosesOnlyTheMenu) {
  ASSERT_NO_FATAL_FAILURE(start({"alpha"}));
  ASSERT_TRUE(showMain());
  const ::Window main = window("Vellisto");
  const std::size_t before = popups(keys_).size();
  rightClick(main, kFirstRow);
  ASSERT_TRUE(waitUntil([&] { return popups(keys_).size() > before; })) << program_->errors();
  press({XK_Escape});
  EXPECT_TRUE(waitUntil([&] { return popups(keys_).size() == before; })) << program_->errors();
  ASSERT_TRUE(windowManagerCaughtUp(keys_));
  EXPECT_TRUE(mapped("Vellisto")) << program_->errors();
}

// The sheets that ask for a name open with the keyboard in that field: the pin tab form over the main
// window, and the snippet sheet in Preferences.
TEST_F(KeyRoadsX11Test, SheetsThatAskForANameTakeItWithoutAClick) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(showMain());
  const ::Window main = window("Vellisto");
  click(main, kAddPinTab, kSlides);
  type("tickets");
  click(main, kPanelRightItem, kSlides);  // OK
  EXPECT_TRUE(waitUntil([&] { return !pinFolder("tickets").empty(); })) << program_->errors();
  press({XK_Escape});

  const ::Window preferences = openPreferences();
  ASSERT_NE(preferences, None);
  // The window keeps its title across tabs; the Snippets pane is taller than General.
  ASSERT_TRUE(chooseTab(preferences, kSnippetsTab)) << program_->errors();
  click(preferences, kAddSnippet, kSlides);
  type("sig");
  click(preferences, kSnippetText);
  type("best regards");
  click(preferences, kSnippetAdd, kSlides);
  // The sheet takes nothing without an alias.
  EXPECT_TRUE(waitUntil([&] { return history().find("best regards") != std::string::npos; }))
      << program_->errors();
}

// Escape on the device sync start panel, once the alert that Bluetooth is off was closed by its OK,
// closes the panel: the alert's own Escape entry went with it.
TEST_F(KeyRoadsX11Test, EscapeClosesTheSyncStartPanelAfterItsAlertWasClosed) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(showMain());
  const ::Window main = window("Vellisto");
  click(main, kSyncSwitch, kSlides);
  ASSERT_TRUE(waitUntil([&] { return program_->count("sync: start panel shown") == 1; }))
      << program_->errors();
  // Next: there is no Bluetooth here, which an alert says once it looked.
  const std::size_t alerts = program_->count("Alert: came to rest shown");
  click(main, kPanelRightItem);
  ASSERT_TRUE(program_->logged("Alert: came to rest shown", alerts)) << program_->errors();
  click(main, kAlertOk, kSlides);
  press({XK_Escape});
  EXPECT_TRUE(waitUntil([&] { return program_->count("sync: start panel hidden") == 1; }))
      << program_->errors();
  EXPECT_EQ(program_->count("dismiss of an alert that is not up"), 0u) << program_->errors();
  EXPECT_TRUE(mapped("Vellisto"));
}

// The reminder action's alert (no notification service answers here) closed by Return, keypad Enter,
// Escape or a click on its OK gives the keyboard back to the search field: letters typed next search.
TEST_F(KeyRoadsX11Test, TypingGoesOnIntoTheSearchFieldHoweverTheRemindersAlertWasClosed) {
  // "A meeting tomorrow at 3 pm": the reminder action comes first for it, and it is ahead whatever the
  // day and hour the test runs at (a weekday's hour may have passed already).
  ASSERT_NO_FATAL_FAILURE(start({"明天下午3点开会"}));
  struct Way {
    const char* name;
    std::function<void()> close;
  };
  const std::vector<Way> ways = {
      {"Return", [&] { press({XK_Return}); }},
      {"keypad Enter", [&] { press({XK_KP_Enter}); }},
      {"Escape", [&] { press({XK_Escape}); }},
      {"a click on OK", [&] { click(window("Vellisto"), kMainAlertOk, kSlides); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    ASSERT_TRUE(showMain());
    const std::size_t shown = program_->count("Alert: came to rest shown");
    // Ctrl+1: the first action on the copy, which sets a reminder.
    press({XK_Control_L, XK_1});
    ASSERT_TRUE(program_->logged("Alert: came to rest shown", shown)) << program_->errors();
    way.close();
    EXPECT_TRUE(typeIntoSearch("ba"));
    EXPECT_TRUE(mapped("Vellisto"));
    press({XK_Escape});
    ASSERT_TRUE(waitUntil([&] { return !mapped("Vellisto"); })) << program_->errors();
  }
  EXPECT_EQ(program_->count("set while no notification service answers"), ways.size()) << program_->errors();
}

// The web-search row (a query that matches nothing) stands for the query: the thinking bar's actions
// work on the words typed, not on the row's label, and the row takes no snippet name, as it is no record.
TEST_F(KeyRoadsX11Test, TheWebSearchRowIsTheQueryAndNoRecord) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(showMain());
  EXPECT_TRUE(typeIntoSearch("hello"));
  const ::Window main = window("Vellisto");
  click(main, kSnippetName);
  type("nick");
  press({XK_Escape});
  ASSERT_TRUE(waitUntil([&] { return !mapped("Vellisto"); })) << program_->errors();
  ASSERT_TRUE(showMain());
  EXPECT_TRUE(typeIntoSearch("hello"));
  // Ctrl+1: the first action, on what was typed.
  press({XK_Control_L, XK_1});
  EXPECT_TRUE(waitUntil([&] { return xclipGet(display_, "UTF8_STRING").value_or("") == "HELLO"; }))
      << xclipGet(display_, "UTF8_STRING").value_or("") << "\n"
      << program_->errors();
  EXPECT_EQ(history().find("Search the web"), std::string::npos) << history();
}

// The web-search row is no record: the column beside the list shows no copy time, no snippet name
// field and no Delete for it, whether the list holds the keyboard or the thinking bar shows an action's
// result over the row (Ctrl+Up); the record above it shows all three again.
TEST_F(KeyRoadsX11Test, TheWebSearchRowShowsNothingOfARecord) {
  ASSERT_NO_FATAL_FAILURE(start({"hello world"}));
  ASSERT_TRUE(showMain());
  EXPECT_TRUE(typeIntoSearch("hello"));
  const ::Window main = window("Vellisto");
  // The record that matches comes first, and is chosen: its parts show.
  ASSERT_TRUE(waitUntil([&] {
    return !plain(main, kInfoBarFrom, kInfoBarTo) && !plain(main, kToolbarFrom, kToolbarTo);
  })) << program_->errors();
  press({XK_Down});
  EXPECT_TRUE(waitUntil([&] { return recordPartsGone(main); })) << "after Down\n" << program_->errors();
  const std::vector<unsigned long> bar = pixelsIn(main, kThinkingBarFrom, kThinkingBarTo);
  press({XK_Control_L, XK_Up});
  // The bar shows its first action chosen; the column changed in the same turn.
  ASSERT_TRUE(waitUntil([&] { return pixelsIn(main, kThinkingBarFrom, kThinkingBarTo) != bar; }))
      << program_->errors();
  EXPECT_TRUE(recordPartsGone(main)) << "after Ctrl+Up";
  EXPECT_TRUE(writeScreenshot(display_, main, "web-search-row-thinking"));
  press({XK_Control_L, XK_Down});
  press({XK_Up});
  EXPECT_TRUE(waitUntil([&] {
    return !plain(main, kInfoBarFrom, kInfoBarTo) && !plain(main, kToolbarFrom, kToolbarTo);
  })) << "the record's parts did not come back\n"
      << program_->errors();
}

// The tip a new pin tab lists ("Records you pin to "Links" show up here") is no record: the column
// beside the list shows no copy time, no snippet name field and no Delete for it, and the record delete
// press (Alt+Delete), Return and a right click (no menu) neither delete, paste nor pin it.
TEST_F(KeyRoadsX11Test, APinTabsTipIsNoRecord) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(showMain());
  const ::Window main = window("Vellisto");
  const std::vector<unsigned long> noRow = pixelsIn(main, kFirstRowFrom, kFirstRowTo);
  click(main, kAddPinTab, kSlides);
  type("Links");
  click(main, kPanelRightItem, kSlides);  // OK
  const auto tipKept = [&] {
    const std::string folder = pinFolder("Links");
    return !folder.empty() && docText(folder).find("show up here") != std::string::npos;
  };
  ASSERT_TRUE(waitUntil(tipKept)) << program_->errors();
  // The new tab is the active one: its tip is the list's row, chosen.
  ASSERT_TRUE(waitUntil([&] { return pixelsIn(main, kFirstRowFrom, kFirstRowTo) != noRow; }))
      << program_->errors();
  EXPECT_TRUE(waitUntil([&] { return recordPartsGone(main); })) << program_->errors();
  EXPECT_TRUE(writeScreenshot(display_, main, "pin-tab-tip"));

  const std::size_t refused = program_->count("paste: no record is chosen");
  press({XK_Alt_L, XK_Delete});
  press({XK_Return});
  EXPECT_TRUE(program_->logged("paste: no record is chosen", refused)) << program_->errors();
  const std::size_t menus = popups(keys_).size();
  rightClick(main, kFirstRow);
  // Escape comes after the rest: with no menu to close, it hides the window once all before it was done.
  press({XK_Escape});
  EXPECT_TRUE(waitUntil([&] { return !mapped("Vellisto"); })) << "a menu took the Escape\n"
                                                              << program_->errors();
  EXPECT_EQ(popups(keys_).size(), menus);
  EXPECT_TRUE(tipKept()) << docText(pinFolder("Links"));
  const std::vector<TestWindow::Key> heard = editor_->heard();
  EXPECT_TRUE(std::none_of(heard.begin(), heard.end(), isPasteChord));
}

// While the thinking bar holds the keyboard, Left and Right move through its actions and leave the
// search field's caret where it stood, mid-text, whether the bar took the keyboard by its press or by a
// click on an action: a letter typed after lands there.
TEST_F(KeyRoadsX11Test, TheThinkingBarsArrowsLeaveTheSearchFieldsCaret) {
  ASSERT_NO_FATAL_FAILURE(start());
  const std::vector<std::function<void()>> handOvers = {
      [&] {
        press({XK_Control_L, XK_Up});
      },
      [&] { click(window("Vellisto"), kFirstAction); },
  };
  for (std::size_t round = 0; round < handOvers.size(); ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(showMain());
    EXPECT_TRUE(typeIntoSearch("hello"));
    press({XK_Left});
    press({XK_Left});  // the caret after "hel"
    handOvers[round]();
    for (KeySym arrow : {XK_Right, XK_Right, XK_Left}) press({arrow});
    EXPECT_TRUE(typeIntoSearch("x"));
    // Ctrl+1: the first action, on what was typed; it pastes and the window goes.
    press({XK_Control_L, XK_1});
    EXPECT_TRUE(waitUntil([&] { return xclipGet(display_, "UTF8_STRING").value_or("") == "HELXLO"; }))
        << xclipGet(display_, "UTF8_STRING").value_or("") << "\n"
        << program_->errors();
    ASSERT_TRUE(waitUntil([&] { return !mapped("Vellisto"); })) << program_->errors();
    ASSERT_TRUE(xclipSet(display_, "UTF8_STRING", "elsewhere"));
  }
}
}  // namespace
}  // namespace vl::x11test
