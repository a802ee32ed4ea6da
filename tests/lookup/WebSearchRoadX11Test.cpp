// clang-format off
// Our headers before the X11 ones: Xlib's macros (None, Status) would break them.
#include "lookup/EmbededWebview.h"
#include "platform/foundation/Files.h"
#include "support/WebPageTestSupport.h"
#include "support/RoadTestSupport.h"
#include "support/SessionBusTestSupport.h"
// clang-format on
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>

namespace vl::x11test {
namespace {

constexpr int kPageMs = 120000;

// The road of a user on the desktop: the real program, its hot key, a query that matches nothing, and
// the search row's preview showing the engine's page, drawn by the helper beside the program.
class WebSearchRoadX11Test : public RoadTest {
 protected:
  void SetUp() override {
    RoadTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
#ifndef VL_WEBVIEW_HELPER
    VL_SKIP_WITHOUT_DESKTOP("vellisto-webview was not built (no webkit2gtk-4.1 development files)");
#endif
  }
  void TearDown() override {
    program_.reset();
    editor_.reset();
    RoadTest::TearDown();
  }
  // Whether the window shows a pixel of the colour anywhere.
  bool shows(::Window w, unsigned long colour) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(keys_, w, &a) || a.map_state != IsViewable) return false;
    XImage* image = XGetImage(keys_, w, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                              AllPlanes, ZPixmap);
    if (!image) return false;
    bool found = false;
    for (int y = 0; y < image->height && !found; y += 4) {
      for (int x = 0; x < image->width && !found; x += 4)
        found = (XGetPixel(image, x, y) & 0xffffff) == colour;
    }
    XDestroyImage(image);
    return found;
  }

  // The real program in the test's folder, the engines' hosts on the loopback site and, first on its
  // PATH, a stand-in for the launcher of a session bus that leaves a daemon running; then the hot key, a
  // query that matches nothing, and the engine's page in the preview. The main window, or None.
  ::Window startAndSearch() {
    const std::string services = root_.path() + "/services.json";
    const std::string bin = root_.path() + "/bin";
    EXPECT_TRUE(files::atomicWrite(services, R"({"google": ")" + site_.base() + R"("})"));
    EXPECT_TRUE(files::createDirectories(bin));
    EXPECT_TRUE(files::atomicWrite(bin + "/dbus-launch",
                                   "#!/bin/sh\nsleep 600 </dev/null >/dev/null 2>&1 &\nexit 1\n", 0755));
    program_.emplace(root_.path(), display_,
                     std::vector<std::string>{std::string(kServicesFileVariable) + "=" + services,
                                              "WEBKIT_DISABLE_COMPOSITING_MODE=1", "no_proxy=127.0.0.1",
                                              "PATH=" + bin + ":/usr/bin:/bin", "VELLISTO_LOG=debug"});
    if (!program_->started()) return None;
    // Which step did not come, with what the program said.
    auto failed = [&](const char* step) -> ::Window {
      ADD_FAILURE() << "no " << step << "\n" << program_->errors();
      return None;
    };
    if (!waitUntil([&] { return files::exists(root_.path() + "/home/.vellisto/data"); }, kProgramAnswerMs))
      return failed("data folder");
    editor_.emplace(display_, "Editor");
    editor_->focus();
    editor_->makeActive();
    // The hot key is registered once the program has finished launching.
    if (!program_->logged("start-up: launching finished")) return failed("end of launching");
    press({XK_Control_L, XK_Alt_L, XK_v});
    const ::Window main = window("Vellisto");
    if (main == None) return failed("main window");
    if (!program_->logged("Show On HintTable")) return failed("list");
    if (!programTakesKeys(keys_, kProgramAnswerMs)) return failed("keyboard");
    for (KeySym k : {XK_z, XK_z}) press({k});
    press({XK_Shift_L, XK_ampersand});
    press({XK_q});
    // Nothing matches: the search row is the only one, and its preview asks the engine.
    if (!waitUntil([&] { return site_.count("/search", "zz&q") >= 1; }, kPageMs))
      return failed("search asked");
    if (!waitUntil([&] { return shows(main, 0x2f7d7a); }, kPageMs)) return failed("page in the preview");
    return main;
  }
  // The first child process of `parent` whose name begins so, -1 when there is none.
  static pid_t childNamed(pid_t parent, const std::string& name) {
    std::error_code error;
    for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
      const std::string pid = process.path().filename().string();
      if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
      std::ifstream stat(process.path() / "stat");
      std::string line;
      std::getline(stat, line);
      const std::size_t open = line.find('('), close = line.rfind(')');
      if (open == std::string::npos || close == std::string::npos || close + 4 > line.size()) continue;
      const std::string comm = line.substr(open + 1, close - open - 1);
      if (comm.rfind(name.substr(0, 15), 0) == 0 && std::stol(line.substr(close + 4)) == parent)
        return static_cast<pid_t>(std::stol(pid));
    }
    return -1;
  }
  // The state letter of a process ('T' stopped), 0 when there is none.
  static char stateOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? 0 : line[close + 2];
  }

  test::TempDir root_{"vl-web-road"};
  void firstSearchShowsTheEnginesPage(bool applicationFirst);

  LoopbackSite site_;
  std::optional<TestWindow> editor_;
};

TEST_F(WebSearchRoadX11Test, AQueryThatMatchesNothingShowsTheEnginesPageInThePreview) {
  const ::Window main = startAndSearch();
  ASSERT_NE(main, None);
  EXPECT_EQ(site_.requests().back().agent, kEmbeddedWebUserAgent);
  EXPECT_TRUE(writeScreenshot(display_, main, "web-search-road"));
  // The detail view slides over the whole window: the page, which lies above all we draw, steps aside
  // while it is there, and comes back when Escape closes it.
  press({XK_Shift_L, XK_Return});
  EXPECT_TRUE(waitUntil([&] { return !shows(main, 0x2f7d7a); })) << program_->errors();
  press({XK_Escape});
  EXPECT_TRUE(waitUntil([&] { return shows(main, 0x2f7d7a); }, kPageMs)) << program_->errors();

  // After quitting nothing the program started runs on: neither the helper with its page processes,
  // nor a bus the toolkit would launch for itself (the stand-in launcher leaves a daemon, as the real
  // one does).
  ASSERT_TRUE(program_->quit(kProgramAnswerMs).has_value()) << program_->errors();
  EXPECT_TRUE(
      waitUntil([&] { return processesWithEnvironment(program_->runtimeEntry()).empty(); }, kProgramAnswerMs))
      << processesWithEnvironment(program_->runtimeEntry()).size() << " processes left";
}

// The first search of a freshly started program, on a desktop with a session bus: the helper starts with
// it and is told of the page's window the moment the window is made. The page shows, whether the search
// row is chosen at once or after an installed application that matched first.
void WebSearchRoadX11Test::firstSearchShowsTheEnginesPage(bool applicationFirst) {
  const std::string services = root_.path() + "/services.json";
  ASSERT_TRUE(files::atomicWrite(services, R"({"google": ")" + site_.base() + R"("})"));
  if (applicationFirst) {
    const std::string apps = root_.path() + "/home/.local/share/applications";
    ASSERT_TRUE(files::createDirectories(apps));
    ASSERT_TRUE(files::atomicWrite(apps + "/quill.desktop",
                                   "[Desktop Entry]\nType=Application\nName=Quill\nExec=quill\n"));
  }
  dbustest::PrivateSessionBus bus;
  ASSERT_FALSE(bus.address().empty()) << bus.skipReason();
  ASSERT_NO_FATAL_FAILURE(launch(root_.path(), {std::string(kServicesFileVariable) + "=" + services,
                                                "DBUS_SESSION_BUS_ADDRESS=" + bus.address(),
                                                "no_proxy=127.0.0.1", "VELLISTO_LOG=debug"}));
  editor_.emplace(display_, "Editor");
  ASSERT_TRUE(inFront(*editor_));
  ASSERT_TRUE(showMain());
  type("q");
  if (applicationFirst) {
    ASSERT_TRUE(waitUntil([&] { return program_->errors().find("search -> cost") != std::string::npos; }))
        << program_->errors();
    press({XK_Down});
  }
  ASSERT_TRUE(waitUntil([&] { return site_.count("/search", "q") >= 1; }, kPageMs)) << program_->errors();
  const ::Window main = window("Vellisto");
  EXPECT_TRUE(waitUntil([&] { return shows(main, 0x2f7d7a); }, kPageMs)) << program_->errors();
}

TEST_F(WebSearchRoadX11Test, TheFirstSearchRightAfterStartShowsTheEnginesPage) {
  firstSearchShowsTheEnginesPage(false);
}

TEST_F(WebSearchRoadX11Test, TheFirstSearchChosenAfterAnApplicationShowsTheEnginesPage) {
  firstSearchShowsTheEnginesPage(true);
}

// A helper that stopped (SIGSTOP, a debugger) never takes the request to end: quitting kills it after a
// short wait instead of waiting for ever.
TEST_F(WebSearchRoadX11Test, QuittingEndsWithinSecondsWhileTheHelperIsFrozen) {
  ASSERT_NE(startAndSearch(), None);
  const pid_t helper = childNamed(program_->pid(), "vellisto-webvie");
  ASSERT_GT(helper, 0);
  ASSERT_EQ(::kill(helper, SIGSTOP), 0);
  ASSERT_TRUE(waitUntil([&] { return stateOf(helper) == 'T'; }));
  const auto start = std::chrono::steady_clock::now();
  const std::optional<int> status = program_->quit(kProgramAnswerMs);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("quit_seconds", std::to_string(seconds));
  ASSERT_TRUE(status.has_value()) << "still running " << seconds << " s after the quit\n"
                                  << program_->errors();
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status << "\n" << program_->errors();
  // The helper has two seconds to end; the rest is room for a machine whose every core is busy.
  EXPECT_LT(seconds, 20) << program_->errors();
  EXPECT_GT(program_->count("did not end within"), 0u) << program_->errors();
  EXPECT_TRUE(waitUntil([&] { return processesWithEnvironment(program_->runtimeEntry()).empty(); },
                        kProgramAnswerMs));
}

}  // namespace
}  // namespace vl::x11test
