#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace vl {

// Tells when GTK's settings file (settings.ini of gtk-3.0 or gtk-4.0 under the configuration folder)
// is written, replaced, made or removed, and when either folder is made later, so the look can follow a
// theme chosen while the program runs. One thread ("vl.gtk-settings") sleeps in poll() on inotify until
// something happens under those folders; `changed` runs on it (post to the main queue from there). The
// watch ends with the object. Nothing is shared with the thread but the descriptors it owns.
class GtkSettingsWatch {
 public:
  // nullptr (logged) when inotify cannot be used; `configHome` empty means $XDG_CONFIG_HOME, else
  // ~/.config.
  static std::unique_ptr<GtkSettingsWatch> start(std::string configHome, std::function<void()> changed);
  ~GtkSettingsWatch();
  GtkSettingsWatch(const GtkSettingsWatch&) = delete;
  GtkSettingsWatch& operator=(const GtkSettingsWatch&) = delete;

  const std::string& configHome() const { return configHome_; }

 private:
  GtkSettingsWatch(std::string configHome, int inotify, int wake);
  // Watches each gtk-N.0 folder that exists (true) and the configuration folder, else its nearest
  // existing parent, for folders made in it (false), by watch descriptor.
  void addWatches(std::map<int, bool>& folders) const;
  void run(std::function<void()> changed);

  std::string configHome_;
  int inotify_ = -1;
  int wake_ = -1;                // an eventfd that ends the thread
  std::map<int, bool> folders_;  // handed to the thread when it starts
  std::thread thread_;
};

// The folder GTK reads its settings file from: `configHome` when given, else $XDG_CONFIG_HOME, else
// ~/.config.
std::string gtkConfigHome(const std::string& configHome = {});

}  // namespace vl
