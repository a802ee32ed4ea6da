#include "platform/system/desktop/GtkSettingsWatch.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/foundation/Check.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

constexpr const char* kFolders[] = {"gtk-3.0", "gtk-4.0"};
constexpr std::uint32_t kFileEvents =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr std::uint32_t kHomeEvents = IN_CREATE | IN_MOVED_TO | IN_ONLYDIR;

}  // namespace

std::string gtkConfigHome(const std::string& configHome) {
  if (!configHome.empty()) return configHome;
  const std::string xdg = environmentValue("XDG_CONFIG_HOME");
  return !xdg.empty() ? xdg : files::homeDirectory() + "/.config";
}

std::unique_ptr<GtkSettingsWatch> GtkSettingsWatch::start(std::string configHome,
                                                          std::function<void()> changed) {
  configHome = gtkConfigHome(configHome);
  const int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify < 0) {
    logWarningf(
        "appearance: GTK's settings cannot be watched (%s); a theme chosen later shows after a restart",
        std::strerror(errno));
    return nullptr;
  }
  const int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake < 0) {
    logWarningf("appearance: GTK's settings cannot be watched (%s)", std::strerror(errno));
    ::close(inotify);
    return nullptr;
  }
  std::unique_ptr<GtkSettingsWatch> watch(new GtkSettingsWatch(std::move(configHome), inotify, wake));
  // Before the thread starts and before the caller reads the file: no change in between goes unseen.
  watch->addWatches(watch->folders_);
  watch->thread_ = std::thread(
      [self = watch.get(), changed = std::move(changed)]() mutable { self->run(std::move(changed)); });
  return watch;
}

GtkSettingsWatch::GtkSettingsWatch(std::string configHome, int inotify, int wake)
    : configHome_(std::move(configHome)), inotify_(inotify), wake_(wake) {}

void GtkSettingsWatch::addWatches(std::map<int, bool>& folders) const {
  // Watching a folder again gives its descriptor again: adding is how a folder made later is found.
  std::string path = configHome_;
  while (!path.empty() && path != "/") {
    if (const int w = ::inotify_add_watch(inotify_, path.c_str(), kHomeEvents); w >= 0) {
      folders[w] = false;
      break;
    }
    path = files::deletingLastPathComponent(path);
  }
  for (const char* name : kFolders) {
    const std::string gtk = configHome_ + "/" + name;
    if (const int w = ::inotify_add_watch(inotify_, gtk.c_str(), kFileEvents); w >= 0) folders[w] = true;
  }
}

GtkSettingsWatch::~GtkSettingsWatch() {
  const std::uint64_t one = 1;
  if (::write(wake_, &one, sizeof one) < 0)
    logWarning("appearance: the GTK settings watch could not be woken");
  if (thread_.joinable()) thread_.join();
  ::close(inotify_);
  ::close(wake_);
}

void GtkSettingsWatch::run(std::function<void()> changed) {
  pthread_setname_np(pthread_self(), "vl.gtk-settings");
  std::map<int, bool> folders = std::move(folders_);
  auto watchFolders = [&] { addWatches(folders); };
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    pollfd fds[2] = {{inotify_, POLLIN, 0}, {wake_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      logWarningf("appearance: the GTK settings watch stopped (%s)", std::strerror(errno));
      return;
    }
    if (fds[1].revents) return;
    bool settingsChanged = false, foldersChanged = false;
    for (;;) {
      const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
      if (n <= 0) break;
      for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        if (at > n) break;  // the kernel never cuts an event; a short read ends the batch
        const std::string name = e->len ? std::string(e->name, ::strnlen(e->name, e->len)) : std::string();
        const auto folder = folders.find(e->wd);
        if (folder == folders.end()) continue;
        if (folder->second) {
          if (name == "settings.ini" || (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF))) settingsChanged = true;
        } else if (!name.empty()) {
          foldersChanged = true;  // a gtk-N.0 folder, or a folder on the way to the configuration folder
        }
        if (e->mask & IN_IGNORED) folders.erase(e->wd);
      }
    }
    if (foldersChanged) {
      watchFolders();
      settingsChanged = true;  // a folder made with its file already inside (a rename) is news too
    }
    if (settingsChanged && changed) {
      try {
        changed();
      } catch (const std::exception& error) {
        reportUncaughtException("GTK settings watch", "changed", &error);
      }
    }
  }
}

}  // namespace vl
