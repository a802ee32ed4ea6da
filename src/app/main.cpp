#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "capture/CaptureHooks.h"
#include "core/VLConstants.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DistributedNotificationCenter.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Resources.h"
#include "platform/system/DesktopBackends.h"
#include "platform/ui/window/Application.h"
#include "startup/AppDelegate.h"
#include "startup/DataFolderLock.h"
#include "startup/StopSignals.h"
#include "startup/WindowSteps.h"
#include "statusbar/VLStatusBar.h"
#include "theme/VLThemeManager.h"

namespace {

// Exit status of a program that found another one running on the same data folder.
constexpr int kAlreadyRunning = 3;
// Exit status when queued work did not finish in time; the exit handlers are skipped then (as after a
// stop while the main thread was busy that could not save everything).
constexpr int kStuckAtQuit = vl::StopSignals::kUnsaved;
// How long quitting waits for queued work (doc writes of a large history included).
constexpr double kQuitGraceMs = 60000;

// --resources: where the program found its resources and the themes it read there, so an installation
// can be checked without starting the whole program. Fails when no theme was found.
int printResources() {
  const std::string folder = vl::resourceDirectory();
  std::printf("resources: %s\n", folder.empty() ? "(none)" : folder.c_str());
  auto themes = vl::VLThemeManager::themeTable();
  std::printf("themes:");
  for (const auto& [name, theme] : *themes) std::printf(" %s", name.c_str());
  std::printf("\n");
  return themes->empty() ? 1 : 0;
}

// The status item with its menu, and its pulse on every copy.
void installStatusItem(const std::shared_ptr<vl::AppDelegate>& delegate) {
  vl::StartupHooks hooks = vl::AppDelegate::hooks();
  hooks.produceStatusItem = [] {
    return std::shared_ptr<void>(vl::VLStatusBar::shared().produceStatusItem());
  };
  hooks.updateStatusIcon = [] { vl::VLStatusBar::shared().updateIcon(); };
  vl::AppDelegate::setHooks(std::move(hooks));
  std::weak_ptr<vl::AppDelegate> weak = delegate;
  vl::VLStatusBar::setQuitAction([weak] {
    if (auto self = weak.lock()) self->terminate();
  });
  vl::CaptureHooks::setPayAnimate([] { vl::VLStatusBar::payAnimateFromAnyThread(); });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    if (std::strcmp(argv[1], "--version") == 0) {
      std::printf("vellisto %s (%s)\n", vl::kShortVersion, vl::kBuildVersion);
      return 0;
    }
    if (std::strcmp(argv[1], "--resources") == 0) return printResources();
    std::fprintf(stderr, "usage: vellisto [--version | --resources]\n");
    return 2;
  }
  // Blocked before any other thread exists, so every thread inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  // Before anything reads or writes the settings or the history: a second program on this home
  // leaves both as the first one has them.
  const std::string home = vl::files::homeDirectory();
  vl::DataFolderLock lock;
  if (lock.acquire(home) == vl::DataFolderLock::Result::HeldElsewhere) {
    vl::logf("vellisto: another vellisto already runs for %s; this one stops", home.c_str());
    return kAlreadyRunning;
  }

  vl::dispatch::MainLoop::adoptCurrentThread();
  // The first signal quits on the main thread (the installed-application dictionary is saved on the
  // way); a main thread too busy to take it up is stopped without, once the records are written.
  vl::StopSignals::Options stop;
  stop.quit = [] { vl::ui::Application::shared().terminate(); };
  stop.exit = [](int status) { std::_Exit(status); };
  vl::StopSignals::watch(signals, std::move(stop));
  vl::logf("vellisto: started (pid %d)", static_cast<int>(::getpid()));

  // The pasteboard poll reads the general pasteboard from its first fire, so the desktop's backends are
  // in place before class initialisation creates it.
  if (!vl::installDesktopBackends()) vl::log("vellisto: headless; no system clipboard is watched");
  // Before the status item exists, so it goes to the desktop's tray from the start.
  vl::installSessionBusBackends();

  vl::StartupHooks hooks = vl::AppDelegate::hooks();
  vl::installWindowSteps(hooks);
  vl::AppDelegate::setHooks(std::move(hooks));

  // The first use of the delegate's class runs class initialisation, before the application has a
  // delegate.
  auto delegate = std::make_shared<vl::AppDelegate>();
  installStatusItem(delegate);
  delegate->attach();
  vl::ui::Application::shared().finishLaunching();

  vl::dispatch::MainLoop::run();
  // The bus thread posts to the main queue; it stops before the queues are emptied for good.
  vl::closeSessionBusBackends();

  // Records appended just before the stop are still on their way to disk, and no queue may still be
  // inside a write when the libraries' exit handlers run.
  if (!vl::AppDelegate::finishQueuedWork(kQuitGraceMs)) {
    vl::log("vellisto: stopped without finishing its queued work");
    std::_Exit(kStuckAtQuit);
  }
  // Our notification socket goes with us instead of waiting for a peer to find it dead.
  vl::DistributedNotificationCenter::defaultCenter().stop();
  vl::log("vellisto: stopped");
  return 0;
}
