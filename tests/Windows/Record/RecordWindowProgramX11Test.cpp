// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "platform/foundation/Files.h"
#include "support/TestSupport.h"
#include "support/ProgramUnderTest.h"
#include "support/X11TestSupport.h"
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

class RecordWindowProgramX11Test : public ProgramKeysTest {
 protected:
  // The program's mapped window titled so, at any depth (a window manager reparents); None when absent.
  ::Window findMapped(::Window parent, const std::string& title) {
    return findMappedWindow(keys_, parent, title, 0);
  }
  int heightOf(::Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(keys_, window, &attributes) ? attributes.height : -1;
  }

  test::TempDir root_{"vl-record"};
};

TEST_F(RecordWindowProgramX11Test, CopiesQueueUpAndCtrlVInAnotherWindowHandsThemOutInOrder) {
  TestWindow editor(display_, "editor");
  editor.focus();
  Program program(root_.path(), display_);
  ASSERT_TRUE(program.started());

  // Its hot key opens it: Ctrl+Alt+R on a fresh install.
  ASSERT_TRUE(
      waitUntil([&] { return program.errors().find("hot key 2 is") != std::string::npos; }, kProgramAnswerMs))
      << program.errors();
  press({XK_Control_L, XK_Alt_L, XK_r});
  ::Window record = None;
  ASSERT_TRUE(waitUntil([&] { return (record = findMapped(DefaultRootWindow(keys_), "Vellisto Record")); }))
      << program.errors();
  const int empty = heightOf(record);
  editor.heard();  // the hot key presses the editor saw

  const std::vector<std::string> copies = {"first copy", "second copy", "third copy"};
  int height = empty;
  for (const std::string& text : copies) {
    ASSERT_TRUE(xclipSet(display_, "UTF8_STRING", text));
    ASSERT_TRUE(waitUntil([&] { return heightOf(record) > height; })) << text << "\n" << program.errors();
    height = heightOf(record);
  }
  EXPECT_EQ(focused(), editor.id());

  for (auto it = copies.rbegin(); it != copies.rend(); ++it) {
    ASSERT_TRUE(waitUntil([&] { return xclipGet(display_).value_or("") == *it; })) << *it;
    press({XK_Control_L, XK_v});
    ASSERT_FALSE(editor.keys(4).empty());
    // The editor asks for the pasteboard once it has the key, as an application pastes.
    EXPECT_EQ(xclipGet(display_).value_or(""), *it);
    ASSERT_TRUE(waitUntil([&] { return heightOf(record) < height; })) << *it << "\n" << program.errors();
    height = heightOf(record);
  }
  EXPECT_EQ(height, empty);
  EXPECT_EQ(focused(), editor.id()) << "the record window must leave the keyboard where the user types";
  EXPECT_NE(findMapped(DefaultRootWindow(keys_), "Vellisto Record"), None);
}

}  // namespace
}  // namespace vl::x11test
