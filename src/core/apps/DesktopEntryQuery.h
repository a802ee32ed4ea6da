#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/desktop/ApplicationFolders.h"
#include "platform/system/desktop/DesktopEntryFile.h"

namespace vl {

// One installed application: the desktop entry's file name without ".desktop", the entry's path, the
// name the entry gives the application, and whether it is a web browser (it opens http or https links,
// or files itself under WebBrowser).
struct DesktopEntryItem {
  std::string name;
  std::string path;
  std::string title;
  bool webBrowser = false;
  bool operator==(const DesktopEntryItem&) const = default;
};

// Finds the installed applications: the desktop entries under the XDG application folders. A gathering
// reads the files on a global queue and reports on the main queue by posting
// kDidFinishGatheringNotification with the query as the object; the results stay readable until the
// next start. Entries are taken the way desktop menus take them: the first folder that holds an entry
// id wins (so a user's own copy, or a user's "Hidden=true" file, overrides the system's), and an entry
// that is hidden, not meant for menus (NoDisplay), not an application, or whose TryExec program is
// missing is no installed application. An entry that does not parse is logged once and skipped.
class DesktopEntryQuery : public std::enable_shared_from_this<DesktopEntryQuery> {
 public:
  static constexpr const char* kDidFinishGatheringNotification =
      "NSMetadataQueryDidFinishGatheringNotification";

  // The XDG application folders, highest precedence first (ApplicationFolders::standard()). Reads the
  // environment: call on the main thread.
  static std::vector<std::string> applicationFolders() { return ApplicationFolders::standard(); }

  using Verdict = DesktopEntryFile::Verdict;
  struct Check {
    Verdict verdict = Verdict::Malformed;
    std::string reason;   // for Malformed: what is wrong, for the log line
    std::string tryExec;  // for Application: the TryExec value, "" when absent
  };
  // Judges the text of one desktop entry.
  static Check checkEntry(std::string_view text);
  // Whether an entry is a web browser: its MimeType takes x-scheme-handler/http or https, or its
  // Categories hold WebBrowser.
  static bool isWebBrowser(const DesktopEntryFile& file);
  // Whether a TryExec program exists: an absolute path must be executable, a bare name is looked up
  // in `searchPath` (PATH's form).
  static bool programExists(const std::string& program, const std::string& searchPath);

  static std::shared_ptr<DesktopEntryQuery> create();

  // Scans now, on the calling thread, in precedence order and then by path.
  std::vector<DesktopEntryItem> gather(const std::vector<std::string>& folders,
                                       const std::string& searchPath);

  // Starts a gathering; false (and nothing else happens) while one is started and not stopped.
  bool startQuery();
  // Ends the started state; a gathering still under way then reports nothing.
  void stopQuery();
  bool isStarted() const;
  std::vector<DesktopEntryItem> results() const;

 private:
  DesktopEntryQuery() = default;
  void reportOnce(const std::string& path, const std::string& reason);

  mutable std::mutex mutex_;
  bool started_ = false;
  bool gathering_ = false;
  std::uint64_t generation_ = 0;
  std::vector<DesktopEntryItem> results_;
  // Path and reason of every entry already logged, so one broken file is not logged at every activation.
  std::set<std::string> reported_;
};

}  // namespace vl
