#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/files/VLFileInfo.h"

namespace vl {

// File questions the previews and capture ask, and the clean-up of old dated image folders.
class VLFileManager {
 public:
  // Where the record store keeps copied image files (its file folder), or nothing before the store is
  // open. Installed by the record store at start.
  using FilePathProvider = std::function<std::optional<std::string>()>;

  static VLFileManager& shared();
  VLFileManager() = default;
  ~VLFileManager() { waitForCleanUps(); }
  VLFileManager(const VLFileManager&) = delete;
  VLFileManager& operator=(const VLFileManager&) = delete;

  // With an extension: the type registered for it; without one: the type the workspace tells from the
  // file itself (nothing when it cannot be read).
  std::optional<std::string> getUTI(const std::string& path) const;
  // The text with every "file://" removed (percent escapes stay).
  static std::string trimFileSchema(const std::string& text);
  // Reads the attributes at the percent-decoded path; unreadable ones give "0" "bytes" and no date.
  VLFileInfo getFileInfoOfPath(const std::string& path) const;
  // False only when the folder holding the path cannot be read (no permission, or a read error).
  bool checkFileHasPermission(const std::string& path) const;

  void setFilePathProvider(FilePathProvider provider);
  // Starts one pass of the clean-up on a thread of its own and returns at once.
  void cleanSandboxImagesIfNeeded();
  // Waits for the passes still running and joins their threads (quitting calls it).
  void waitForCleanUps();
  // One pass, now: removes the dated folders older than the retention of settings key 105 allows.
  // Answers the names removed.
  std::vector<std::string> cleanSandboxImages(double now);

  // Days kept for a "storageTime" value; nothing for "ever" or anything unknown.
  static std::optional<int> retentionDays(const std::string& storageTime);
  // The first instant that is kept: local midnight of `now`'s day, `days` calendar days back.
  static double cleanUpCutoff(double now, int days);

 private:
  mutable std::mutex mutex_;
  FilePathProvider filePathProvider_;
  // Passes started and not joined; a pass puts its id in `finishedCleanUps_` as it ends.
  std::vector<std::thread> cleanUps_;
  std::vector<std::thread::id> finishedCleanUps_;
};

}  // namespace vl
