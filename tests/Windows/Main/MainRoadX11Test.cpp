// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/doc/GzipUtility.h"
#include "platform/foundation/Files.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"
#include <X11/XKBlib.h>
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

// The real program on the test display, in a home of its own, its stderr in a file.
class Program {
 public:
  Program(const std::string& root, const std::string& display)
      : home_(root + "/home"), errors_(root + "/err") {
    files::createDirectories(root + "/run");
    std::vector<std::string> env = {"HOME=" + home_,
                                    "XDG_CONFIG_HOME=" + home_ + "/.config",
                                    "XDG_CACHE_HOME=" + home_ + "/.cache",
                                    "XDG_RUNTIME_DIR=" + root + "/run",
                                    "DISPLAY=" + display,
                                    std::string("VELLISTO_RESOURCES=") + VL_RESOURCES_DIR,
                                    "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors_.c_str(), O_WRONLY | O_CREAT, 0600);
    char* argv[] = {const_cast<char*>(path().c_str()), nullptr};
    if (::posix_spawn(&pid_, path().c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Program() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGINT);
    for (int i = 0; i < 500 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  static const std::string& path() {
    static const std::string p = std::string(VL_BINARY_DIR) + "/src/app/vellisto";
    return p;
  }
  bool started() const { return pid_ > 0; }
  std::string errors() const { return files::readFile(errors_).value_or(""); }
  std::size_t count(const std::string& needle) const {
    const std::string text = errors();
    std::size_t n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
  }
  std::string history() const {
    auto bytes = files::readFile(home_ + "/.vellisto/data/BigDoc_0");
    return bytes ? GzipUtility::ungzipData(*bytes).value_or("") : "";
  }

 private:
  std::string home_;
  std::string errors_;
  pid_t pid_ = -1;
};

class MainRoadX11Test : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped()) return;
    if (!files::exists(Program::path())) GTEST_SKIP() << "build the vellisto target first";
    keys_ = XOpenDisplay(display_.c_str());
    ASSERT_NE(keys_, nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(keys_, &event, &error, &major, &minor)) GTEST_SKIP() << "no XTest";
  }
  void TearDown() override {
    if (keys_) XCloseDisplay(keys_);
  }
  void press(std::vector<KeySym> chord) {
    for (KeySym sym : chord) XTestFakeKeyEvent(keys_, XKeysymToKeycode(keys_, sym), True, CurrentTime);
    for (auto it = chord.rbegin(); it != chord.rend(); ++it)
      XTestFakeKeyEvent(keys_, XKeysymToKeycode(keys_, *it), False, CurrentTime);
    XSync(keys_, False);
  }
  ::Window focused() {
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(keys_, &focus, &revert);
    return focus;
  }

  Display* keys_ = nullptr;
  vl::test::TempDir root_{"vl-mainroad"};
};

TEST_F(MainRoadX11Test, HotKeyTypeReturnPastesTheChosenRecordIntoTheEditorTheUserCameFrom) {
  auto wm = DisplayHelper::windowManager(display_);
  if (!wm || !wm->running()) GTEST_SKIP() << "no window manager";
  Program program(root_.path(), display_);
  ASSERT_TRUE(program.started());
  // Capture is polling once the settings are written.
  ASSERT_TRUE(eventually([&] { return files::exists(root_.path() + "/home/.vellisto/data"); }))
      << program.errors();

  for (const char* text : {"alpha one", "beta two", "gamma three"}) {
    ASSERT_TRUE(xclipSet(display_, "UTF8_STRING", text));
    ASSERT_TRUE(eventually([&] { return program.history().find(text) != std::string::npos; }))
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

}  // namespace
}  // namespace vl::x11test
