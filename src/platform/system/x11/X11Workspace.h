#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/system/desktop/DesktopEntryIndex.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/system/x11/X11Display.h"

namespace vl {

// The desktop on X11. The front application is the owner of the active window (_NET_ACTIVE_WINDOW as
// the window manager publishes it, else the input focus): its process and the desktop entry that names
// it. A window whose program has no entry gets an identity from its WM_CLASS, so the ignore list can
// still name it. Applications start through their entry's Exec line, URLs through xdg-open.
class X11Workspace final : public Workspace {
 public:
  struct Options {
    // Where desktop entries are looked for; empty means the standard XDG folders.
    std::vector<std::string> applicationFolders;
  };

  // nullptr (logged) when the display cannot be opened.
  static std::shared_ptr<X11Workspace> create(const std::string& displayName, Options options);
  static std::shared_ptr<X11Workspace> create(const std::string& displayName) {
    return create(displayName, Options());
  }

  std::optional<RunningApplication> frontmostApplication() const override;
  std::vector<RunningApplication> runningApplications() const override;
  [[nodiscard]] bool launchApplication(const std::string& path) override;
  [[nodiscard]] bool openURL(const std::string& url) override;
  [[nodiscard]] bool openURL(const std::string& url, const std::string& applicationPath) override;
  bool giveFocusBack() override;
  bool hideApplication(const RunningApplication& app) override;

  // How long giving the focus back waits for the server and a window manager at most. The wait ends at
  // their events; the bound only counts when they never answer.
  static constexpr int kFocusWaitMs = 2000;

 private:
  X11Workspace(std::unique_ptr<x11::X11Display> display, std::vector<std::string> folders)
      : display_(std::move(display)), entries_(std::move(folders)) {}
  ::Window activeWindowLocked() const VL_REQUIRES(mutex_);
  std::optional<RunningApplication> applicationOfWindowLocked(::Window window, bool active) const
      VL_REQUIRES(mutex_);
  // The connection the focus waits on, taken out of its slot for the wait (or opened when another
  // wait has it) and put back afterwards, so no lock is held while waiting.
  std::unique_ptr<x11::X11Display> takeFocusConnection();
  void putBackFocusConnection(std::unique_ptr<x11::X11Display> connection);

  // Used under mutex_ (its name is fixed and read without it).
  std::unique_ptr<x11::X11Display> display_;
  mutable Mutex mutex_;
  mutable DesktopEntryIndex entries_ VL_GUARDED_BY(mutex_);
  Mutex spareMutex_;  // a leaf lock
  std::unique_ptr<x11::X11Display> spareFocusConnection_ VL_GUARDED_BY(spareMutex_);
};

// Starts a program without waiting for it; its exit is collected in the background. False when it
// could not be started.
[[nodiscard]] bool spawnDetached(const std::vector<std::string>& arguments);

}  // namespace vl
