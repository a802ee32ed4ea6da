// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include "support/ProgramHistory.h"
#include "support/RoadTestSupport.h"
#include "support/TestSupport.h"
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

class ThinkRoadX11Test : public RoadTest {
 protected:
  vl::test::TempDir root_{"vl-thinkroad"};
};

TEST_F(ThinkRoadX11Test, CopyHotKeyCtrlOnePastesTheFirstActionsResult) {
  ASSERT_NO_FATAL_FAILURE(launch(root_.path(), {"VELLISTO_LOG=debug"}));
  ASSERT_TRUE(copyKept(*program_, display_, "camelCaseName"));

  TestWindow editor(display_, "Editor");
  ASSERT_TRUE(inFront(editor));
  ASSERT_TRUE(showMain());
  press({XK_Control_L, XK_1});

  // The editor gets the focus back and then one paste chord: Ctrl down, V down, V up, Ctrl up.
  EXPECT_TRUE(pasted(editor)) << program_->errors();
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "CAMEL_CASE_NAME");
  EXPECT_EQ(program_->count("do actions count 1"), 1u) << program_->errors();
}

}  // namespace
}  // namespace vl::x11test
