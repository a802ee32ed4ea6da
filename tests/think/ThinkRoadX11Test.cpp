// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/doc/GzipUtility.h"
#include "platform/foundation/Files.h"
#include "support/ProgramUnderTest.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

using Steady = std::chrono::steady_clock;

// Polls another process's progress; the deadline is generous and never judges speed.
bool eventually(const std::function<bool()>& done, int seconds = 60) {
  for (auto deadline = Steady::now() + std::chrono::seconds(seconds); Steady::now() < deadline;) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

std::string historyOf(const Program& program) {
  auto bytes = files::readFile(program.home() + "/.vellisto/data/BigDoc_0");
  return bytes ? GzipUtility::ungzipData(*bytes).value_or("") : "";
}

class ThinkRoadX11Test : public ProgramKeysTest {
 protected:
  vl::test::TempDir root_{"vl-thinkroad"};
};

TEST_F(ThinkRoadX11Test, CopyHotKeyCtrlOnePastesTheFirstActionsResult) {
  auto wm = DisplayHelper::windowManager(display_);
  if (!wm || !wm->running()) VL_SKIP_WITHOUT_DESKTOP("no window manager");
  Program program(root_.path(), display_, {"VELLISTO_LOG=debug"});
  ASSERT_TRUE(program.started());
  // The poll takes what the clipboard holds when it starts as already seen: copy only after that.
  ASSERT_TRUE(eventually([&] { return program.count("start-up: launching finished") >= 1; }))
      << program.errors();
  ASSERT_TRUE(xclipSet(display_, "UTF8_STRING", "camelCaseName"));
  ASSERT_TRUE(eventually([&] { return historyOf(program).find("camelCaseName") != std::string::npos; }))
      << program.errors();

  TestWindow editor(display_, "Editor");
  editor.focus();
  editor.makeActive();
  ASSERT_TRUE(eventually([&] { return focused() == editor.id(); }));
  press({XK_Control_L, XK_Alt_L, XK_v});
  ASSERT_TRUE(program.logged("Show On HintTable")) << program.errors();
  ASSERT_TRUE(programTakesKeys(keys_)) << program.errors();
  press({XK_Control_L, XK_1});

  // The editor gets the focus back and then one paste chord: Ctrl down, V down, V up, Ctrl up.
  bool chord = false;
  std::string seen;
  for (const auto deadline = Steady::now() + std::chrono::seconds(60); !chord && Steady::now() < deadline;) {
    for (const auto& key : editor.keys(1, kProgramAnswerMs)) {
      seen += (key.press ? "+" : "-") + std::to_string(key.keysym) + "/" + std::to_string(key.state) + " ";
      chord = chord || (key.press && key.keysym == XK_v && (key.state & ControlMask));
    }
  }
  EXPECT_TRUE(chord) << seen << "\n" << program.errors();
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "CAMEL_CASE_NAME");
  EXPECT_EQ(program.count("do actions count 1"), 1u) << program.errors();
}

}  // namespace
}  // namespace vl::x11test
