#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/system/desktop/DesktopEntryFile.h"

namespace vl {

// The desktop entries of the application folders, to find which application a window belongs to. An
// entry in an earlier folder hides one with the same id in a later folder (a user's own copy hides the
// system's); a hidden entry ("Hidden=true") hides the id altogether. Folders are read again when one
// of them changes. Thread-safe.
class DesktopEntryIndex {
 public:
  explicit DesktopEntryIndex(std::vector<std::string> folders);

  // The entry of a window's program, judged in this order: the entry's StartupWMClass equals the
  // window's class or instance; the entry's id equals one of them (ignoring case); the program its
  // Exec (or TryExec) line starts has the executable's file name.
  std::optional<DesktopEntry> find(const std::string& wmInstance, const std::string& wmClass,
                                   const std::string& executable);
  std::vector<DesktopEntry> entries();

  // The [Desktop Entry] group of an entry file; nullopt when it has none or is not an application.
  // `hidden` tells a deleted entry apart from a broken one. Lenient on purpose: a window is named by
  // whatever entry is there, even one a menu would refuse.
  static std::optional<DesktopEntry> parse(std::string_view text, bool* hidden = nullptr);
  // The arguments of an Exec line: quoting and escapes undone, field codes (%f, %U ...) dropped.
  static std::vector<std::string> argumentsOfExec(std::string_view exec);
  // The same with a URL for the entry's first %u, %U, %f or %F; appended when the line has none.
  static std::vector<std::string> argumentsOfExec(std::string_view exec, const std::string& url);

 private:
  void refreshLocked() VL_REQUIRES(mutex_);

  const std::vector<std::string> folders_;
  Mutex mutex_;
  std::map<std::string, double> folderTimes_ VL_GUARDED_BY(mutex_);
  bool scanned_ VL_GUARDED_BY(mutex_) = false;
  double scannedAt_ VL_GUARDED_BY(mutex_) = 0;  // seconds since 1970
  std::vector<DesktopEntry> entries_ VL_GUARDED_BY(mutex_);
};

}  // namespace vl
