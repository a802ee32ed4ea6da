// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/doc/Vellisto_BigDoc.h"
#include "platform/foundation/Files.h"
#include "support/TestSupport.h"
#include "support/ProgramUnderTest.h"
#include "support/X11TestSupport.h"
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

using Steady = std::chrono::steady_clock;

// Polls another process's progress; the deadline is generous and never judges speed.
bool eventually(const std::function<bool()>& done, int seconds = 30) {
  for (auto deadline = Steady::now() + std::chrono::seconds(seconds); Steady::now() < deadline;) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

// The first doc of the program's history as a load would find it: its file and its journal.
std::string historyOf(const Program& program) {
  auto doc = std::make_shared<Vellisto_BigDoc>();
  return doc->load(program.home() + "/.vellisto/data/BigDoc_0") ? doc->stringValue() : "";
}

class MainRoadX11Test : public ProgramKeysTest {
 protected:
  // The focused window when it is one of the program's, else None.
  ::Window focusedProgramWindow() {
    const ::Window w = focused();
    XClassHint hint{};
    if (w == None || w == PointerRoot || !XGetClassHint(keys_, w, &hint)) return None;
    const bool ours = hint.res_name && std::string(hint.res_name) == "vellisto";
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return ours ? w : None;
  }

  vl::test::TempDir root_{"vl-mainroad"};
};

TEST_F(MainRoadX11Test, HotKeyTypeReturnPastesTheChosenRecordIntoTheEditorTheUserCameFrom) {
  auto wm = DisplayHelper::windowManager(display_);
  if (!wm || !wm->running()) VL_SKIP_WITHOUT_DESKTOP("no window manager");
  Program program(root_.path(), display_);
  ASSERT_TRUE(program.started());
  // Copies come once launching is over and capture listens: what the clipboard holds before is old.
  ASSERT_TRUE(eventually([&] { return program.count("start-up: launching finished") == 1; }))
      << program.errors();
  ASSERT_TRUE(eventually([&] { return program.count("capture: the clipboard tells of each change") > 0; }))
      << program.errors();

  for (const char* text : {"alpha one", "beta two", "gamma three"}) {
    ASSERT_TRUE(xclipSet(display_, "UTF8_STRING", text));
    ASSERT_TRUE(eventually([&] { return historyOf(program).find(text) != std::string::npos; }))
        << text << "\n"
        << program.errors();
  }

  TestWindow editor(display_, "Editor");
  editor.focus();
  editor.makeActive();
  ASSERT_TRUE(eventually([&] { return focused() == editor.id(); }));

  press({XK_Control_L, XK_Alt_L, XK_v});
  ASSERT_TRUE(eventually([&] { return focused() != editor.id() && program.count("Show On HintTable") >= 1; }))
      << program.errors();
  // One key at a time, each shown before the next, so the list answers the whole word.
  for (KeySym key : {XK_b, XK_e, XK_t}) {
    const std::size_t shown = program.count("Show On HintTable");
    press({key});
    ASSERT_TRUE(eventually([&] { return program.count("Show On HintTable") > shown; })) << program.errors();
  }
  press({XK_Return});

  // First the modifiers of the hot key (its V is grabbed), then the paste: Ctrl down, V down, V up, Ctrl up.
  const std::vector<TestWindow::Key> pasted = editor.keys(8, 30000);
  bool chord = false;
  for (const auto& key : pasted)
    chord = chord || (key.press && key.keysym == XK_v && (key.state & ControlMask));
  std::string seen;
  for (const auto& key : pasted)
    seen += (key.press ? "+" : "-") + std::to_string(key.keysym) + "/" + std::to_string(key.state) + " ";
  EXPECT_TRUE(chord) << seen;
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "beta two");
}

// Another client destroys the main window while it shows: the hot key still brings it back, as a new
// window, as often as that happens.
TEST_F(MainRoadX11Test, TheHotKeyBringsBackAMainWindowAnotherClientDestroyed) {
  auto wm = DisplayHelper::windowManager(display_);
  if (!wm || !wm->running()) GTEST_SKIP() << "no window manager";
  Program program(root_.path(), display_);
  ASSERT_TRUE(program.started());
  // The hot key is registered once launching finished.
  ASSERT_TRUE(eventually([&] { return program.count("start-up: launching finished") >= 1; }))
      << program.errors();
  ::Window shown = None;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const ::Window before = shown;
    press({XK_Control_L, XK_Alt_L, XK_v});
    ASSERT_TRUE(eventually([&] {
      shown = focusedProgramWindow();
      return shown != None && shown != before;
    })) << program.errors();
    destroyWindowOfAnotherClient(display_, shown);
    // The next press waits until the program heard of it (a press before would hide the window).
    eventually([&] { return program.count("another client destroyed the window") > std::size_t(round); }, 10);
  }
  // Both windows were shown; the second time the hot key brought back the one destroyed.
  EXPECT_EQ(program.count("another client destroyed the window"), 2u) << program.errors();
}

}  // namespace
}  // namespace vl::x11test
