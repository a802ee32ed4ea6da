#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "capture/CaptureHooks.h"
#include "core/VLConstants.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DistributedNotificationCenter.h"
#include "platform/foundation/FileLimit.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Resources.h"
#include "platform/richtext/XmlLibrary.h"
#include "platform/system/DesktopBackends.h"
#include "platform/system/SystemDictionary.h"
#include "platform/system/desktop/DesktopAppearance.h"
#include "platform/system/net/DictServerDictionary.h"
#include "platform/ui/window/Application.h"
#include "startup/AppDelegate.h"
#include "startup/DataFolderLock.h"
#include "startup/HookCensus.h"
#include "startup/ProgramAssembly.h"
#include "startup/StopSignals.h"
#include "theme/VLThemeManager.h"

namespace {

// Exit status of a program that found another one running on the same data folder.
constexpr int kAlreadyRunning = 3;
// Exit status when queued work did not finish in time; the exit handlers are skipped then (as after a
// stop while the main thread was busy that could not save everything).
constexpr int kStuckAtQuit = vl::StopSignals::kUnsaved;
// How long quitting waits for queued work (doc writes of a large history included).
constexpr double kQuitGraceMs = 60000;
// Exit status when changes of the history could be written neither to a doc nor to its journal.
constexpr int kUnsavedAtQuit = 5;

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

}  // namespace

int main(int argc, char** argv) {
  vl::FreedMemory::atStart();
  if (argc > 1) {
    if (std::strcmp(argv[1], "--version") == 0) {
      std::printf("vellisto %s (%s)\n", vl::kShortVersion, vl::kBuildVersion);
      return 0;
    }
    if (std::strcmp(argv[1], "--resources") == 0) return printResources();
    std::fprintf(stderr, "usage: vellisto [--version | --resources]\n");
    return 2;
  }
  // libxml2's set-up is not safe against a thread using the library meanwhile, and HTML is read on
  // queues and the icon theme's threads: done here, while this is the only thread.
  vl::ui::XmlLibrary::initialize();
  // Blocked before any other thread exists, so every thread inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  (void)vl::raiseOpenFileLimit();  // logged; the program runs on with the limit it has

  // Before anything reads or writes the settings or the history: a second program on this home
  // leaves both as the first one has them.
  const std::string home = vl::files::homeDirectory();
  vl::DataFolderLock lock;
  if (lock.acquire(home) == vl::DataFolderLock::Result::HeldElsewhere) {
    vl::logWarningf("vellisto: another vellisto already runs for %s; this one stops", home.c_str());
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
  // The dictionary is a DICT server (VELLISTO_DICT_SERVER); none listening only means no definitions.
  vl::SystemDictionary::install(vl::DictServerDictionary::fromEnvironment());
  // Before the status item exists, so it goes to the desktop's tray from the start.
  vl::installSessionBusBackends();
  // Bluetooth LE for device sync; the system bus is opened when sync first needs it.
  vl::installSystemBusBackends();

  auto delegate = vl::assembleProgram(vl::ui::Application::shared());
  vl::ui::Application::shared().finishLaunching();
  // A hook left empty is a behaviour that silently never happens; say so where it can be seen.
  vl::logEmptyHooks();

  vl::dispatch::MainLoop::run();
  // The bus thread posts to the main queue; it stops before the queues are emptied for good.
  vl::closeSessionBusBackends();
  vl::closeSystemBusBackends();
  // The web view helper goes with us; its reader thread posts to the main queue too.
  vl::closeWebEngine();
  // So does the watch of GTK's settings file.
  vl::DesktopAppearance::shared().stop();

  // Records appended just before the stop are still on their way to disk, and no queue may still be
  // inside a write when the libraries' exit handlers run.
  if (!vl::AppDelegate::finishQueuedWork(kQuitGraceMs)) {
    vl::logWarning("vellisto: stopped without finishing its queued work");
    std::_Exit(kStuckAtQuit);
  }
  // Our notification socket goes with us instead of waiting for a peer to find it dead.
  vl::DistributedNotificationCenter::defaultCenter().stop();
  // What the disk took neither as a journal entry nor in the last write of its doc.
  if (const std::uint64_t unsaved = vl::Vellisto_BigDoc::unsavedChangeCount()) {
    vl::logErrorf("vellisto: stopped with %llu changes of the history the disk did not take; they are lost",
                  static_cast<unsigned long long>(unsaved));
    return kUnsavedAtQuit;
  }
  vl::log("vellisto: stopped");
  return 0;
}
