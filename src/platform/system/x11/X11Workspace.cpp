#include "platform/system/x11/X11Workspace.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <thread>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/system/desktop/ApplicationFolders.h"
#include "platform/system/x11/input/X11Focus.h"

extern char** environ;

namespace vl {

namespace {

// The file name of a process's program: its executable, else its command name.
std::string executableOf(long pid) {
  if (pid <= 0) return {};
  char buffer[PATH_MAX] = {};
  const std::string proc = "/proc/" + std::to_string(pid);
  const ssize_t n = readlink((proc + "/exe").c_str(), buffer, sizeof buffer - 1);
  if (n > 0) return files::lastPathComponent(std::string_view(buffer, static_cast<std::size_t>(n)));
  if (auto comm = files::readFile(proc + "/comm")) return trimWhitespace(*comm);
  return {};
}

}  // namespace

bool spawnDetached(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return false;
  std::vector<char*> argv;
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    logWarningf("cannot start %s", arguments[0].c_str());
    return false;
  }
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

std::shared_ptr<X11Workspace> X11Workspace::create(const std::string& displayName, Options options) {
  auto display = x11::X11Display::open(displayName);
  if (!display) return nullptr;
  auto folders =
      options.applicationFolders.empty() ? ApplicationFolders::standard() : options.applicationFolders;
  return std::shared_ptr<X11Workspace>(new X11Workspace(std::move(display), std::move(folders)));
}

::Window X11Workspace::activeWindowLocked() const {
  x11::X11Display& x = *display_;
  if (auto active = x11::windowProperty(x, x.root(), "_NET_ACTIVE_WINDOW")) return *active;
  ::Window focus = None;
  int revert = 0;
  XGetInputFocus(x.get(), &focus, &revert);
  if (focus == PointerRoot || focus == x.root()) return None;
  return focus;
}

std::optional<RunningApplication> X11Workspace::applicationOfWindowLocked(::Window window,
                                                                          bool active) const {
  x11::X11Display& x = *display_;
  // The focus may sit on an inner window; the class and process are on the top-level one.
  std::pair<std::string, std::string> cls;
  std::optional<long> pid;
  for (::Window w = window; w != None && cls.second.empty() && !pid; w = x11::parentWindow(x, w)) {
    cls = x11::windowClass(x, w);
    pid = x11::cardinalProperty(x, w, "_NET_WM_PID");
  }
  const std::string executable = executableOf(pid.value_or(-1));
  const long long processId = pid.value_or(-1);
  if (auto entry = entries_.find(cls.first, cls.second, executable)) {
    return RunningApplication::fromDesktopEntry(entry->path, active, processId);
  }
  const std::string name = !cls.second.empty() ? cls.second : !cls.first.empty() ? cls.first : executable;
  if (name.empty()) return std::nullopt;
  RunningApplication app;
  app.name = name;
  app.bundleIdentifier = name;
  app.processIdentifier = processId;
  app.active = active;
  return app;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() const {
  MutexLock lock(mutex_);
  const ::Window window = activeWindowLocked();
  if (window == None) return std::nullopt;
  return applicationOfWindowLocked(window, true);
}

std::vector<RunningApplication> X11Workspace::runningApplications() const {
  MutexLock lock(mutex_);
  x11::X11Display& x = *display_;
  const ::Window active = activeWindowLocked();
  auto windows = x11::windowListProperty(x, x.root(), "_NET_CLIENT_LIST");
  if (std::find(windows.begin(), windows.end(), active) == windows.end() && active != None) {
    windows.push_back(active);
  }
  std::vector<RunningApplication> apps;
  for (::Window w : windows) {
    auto app = applicationOfWindowLocked(w, w == active);
    if (!app) continue;
    auto same = std::find_if(apps.begin(), apps.end(), [&](const RunningApplication& a) {
      return a.name == app->name && a.path == app->path;
    });
    if (same == apps.end()) {
      apps.push_back(std::move(*app));
    } else {
      same->active = same->active || app->active;
    }
  }
  return apps;
}

bool X11Workspace::launchApplication(const std::string& path) {
  if (!endsWith(path, ".desktop")) {
    logWarningf("launch: %s is not a desktop entry", path.c_str());
    return false;
  }
  auto text = files::readFile(path);
  auto entry = text ? DesktopEntryIndex::parse(*text) : std::nullopt;
  auto arguments = entry ? DesktopEntryIndex::argumentsOfExec(entry->exec) : std::vector<std::string>();
  if (arguments.empty()) {
    logWarningf("launch: %s has no program to start", path.c_str());
    return false;
  }
  return spawnDetached(arguments);
}

std::unique_ptr<x11::X11Display> X11Workspace::takeFocusConnection() {
  {
    MutexLock lock(spareMutex_);
    if (spareFocusConnection_) return std::move(spareFocusConnection_);
  }
  return x11::X11Display::open(display_->name());
}

void X11Workspace::putBackFocusConnection(std::unique_ptr<x11::X11Display> connection) {
  MutexLock lock(spareMutex_);
  if (!spareFocusConnection_) spareFocusConnection_ = std::move(connection);
}

bool X11Workspace::giveFocusBack() {
  const ::Window previous = x11::focusBeforeOurs();
  if (previous == None) return false;
  // The wait selects and reads events, so it has a connection of its own; the workspace's stays free
  // for the capture queue asking for the front application meanwhile.
  std::unique_ptr<x11::X11Display> connection = takeFocusConnection();
  if (!connection) return false;
  // Keys posted before the focus arrives would land in our own window or nowhere.
  const bool back = x11::activateWindowAndWait(*connection, previous, CurrentTime, kFocusWaitMs);
  putBackFocusConnection(std::move(connection));
  if (!back) logWarning("workspace: the window active before ours is gone; the focus stays where it is");
  return back;
}

bool X11Workspace::hideApplication(const RunningApplication& app) {
  MutexLock lock(mutex_);
  x11::X11Display& x = *display_;
  int hidden = 0;
  for (::Window w : x11::windowListProperty(x, x.root(), "_NET_CLIENT_LIST")) {
    bool same = false;
    if (app.processIdentifier > 0) {
      same = x11::cardinalProperty(x, w, "_NET_WM_PID") == app.processIdentifier;
    } else if (auto owner = applicationOfWindowLocked(w, false)) {
      same = !app.path.empty() ? owner->path == app.path : owner->name == app.name;
    }
    if (same && XIconifyWindow(x.get(), w, DefaultScreen(x.get()))) ++hidden;
  }
  XFlush(x.get());
  return hidden > 0;
}

namespace {

// Only URLs go to a handler; a leading "-" would be taken for an option.
bool isURL(const std::string& url) {
  if (!url.empty() && url[0] != '-' && url.find(':') != std::string::npos) return true;
  // What is opened may be copied text, or hold a search query: only its size is logged.
  logWarningf("open: a text of %zu bytes is not a URL", url.size());
  return false;
}

}  // namespace

bool X11Workspace::openURL(const std::string& url) { return isURL(url) && spawnDetached({"xdg-open", url}); }

bool X11Workspace::openURL(const std::string& url, const std::string& applicationPath) {
  if (!isURL(url)) return false;
  if (!endsWith(applicationPath, ".desktop")) {
    logWarningf("open: %s is not a desktop entry", applicationPath.c_str());
    return false;
  }
  auto text = files::readFile(applicationPath);
  auto entry = text ? DesktopEntryIndex::parse(*text) : std::nullopt;
  auto arguments = entry ? DesktopEntryIndex::argumentsOfExec(entry->exec, url) : std::vector<std::string>();
  if (arguments.empty()) {
    logWarningf("open: %s has no program to start", applicationPath.c_str());
    return false;
  }
  return spawnDetached(arguments);
}

}  // namespace vl
