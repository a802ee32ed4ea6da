#include "core/apps/DesktopEntryQuery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/desktop/Workspace.h"

namespace vl {
namespace {

std::string environment(const char* name) { return environmentValue(name); }

bool isExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

DesktopEntryQuery::Check DesktopEntryQuery::checkEntry(std::string_view text) {
  Check check;
  DesktopEntryFile file = DesktopEntryFile::parse(text);
  check.verdict = file.verdict(&check.reason);
  if (check.verdict == Verdict::Application) check.tryExec = file.value("TryExec");
  return check;
}

bool DesktopEntryQuery::programExists(const std::string& program, const std::string& searchPath) {
  if (program.empty()) return false;
  if (program.find('/') != std::string::npos) return program.front() == '/' && isExecutableFile(program);
  for (const std::string& dir : ApplicationFolders::splitPathList(searchPath)) {
    if (isExecutableFile(files::joinPath(dir, program))) return true;
  }
  return false;
}

std::shared_ptr<DesktopEntryQuery> DesktopEntryQuery::create() {
  return std::shared_ptr<DesktopEntryQuery>(new DesktopEntryQuery());
}

void DesktopEntryQuery::reportOnce(const std::string& path, const std::string& reason) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!reported_.insert(path + '\n' + reason).second) return;
  }
  logWarningf("AppInstalledManager: skipped desktop entry %s: %s", path.c_str(), reason.c_str());
}

bool DesktopEntryQuery::isWebBrowser(const DesktopEntryFile& file) {
  // Both keys are lists separated by ";".
  auto holds = [&](std::string_view key, std::string_view item) {
    const std::string list = ";" + file.value(key) + ";";
    return list.find(";" + std::string(item) + ";") != std::string::npos;
  };
  return holds("MimeType", "x-scheme-handler/http") || holds("MimeType", "x-scheme-handler/https") ||
         holds("Categories", "WebBrowser");
}

std::vector<DesktopEntryItem> DesktopEntryQuery::gather(const std::vector<std::string>& folders,
                                                        const std::string& searchPath) {
  std::vector<DesktopEntryItem> items;
  auto report = [this](const std::string& path, const std::string& reason) { reportOnce(path, reason); };
  // The first folder that has an entry id owns it, whatever the entry says.
  ApplicationFolders::walk(
      folders,
      [&](const ApplicationFolders::Entry& found) {
        std::string reason = found.error;
        Verdict verdict = found.file ? found.file->verdict(&reason) : Verdict::Malformed;
        if (verdict == Verdict::Malformed) {
          reportOnce(found.path, reason);
          return true;
        }
        // TryExec names the program a package installs; without it the entry is a leftover.
        std::string tryExec = found.file->value("TryExec");
        if (verdict == Verdict::Application && (tryExec.empty() || programExists(tryExec, searchPath))) {
          items.push_back({RunningApplication::fromDesktopEntry(found.path).name, found.path,
                           found.file->value("Name"), isWebBrowser(*found.file)});
        }
        return true;
      },
      report);
  return items;
}

bool DesktopEntryQuery::startQuery() {
  std::vector<std::string> folders = applicationFolders();
  std::string searchPath = environment("PATH");
  if (searchPath.empty()) searchPath = "/usr/local/bin:/usr/bin:/bin";
  std::uint64_t generation;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_) return false;
    started_ = true;
    gathering_ = true;
    generation = ++generation_;
  }
  // Reading a few hundred files is no work for the main thread; only the report goes there.
  std::shared_ptr<DesktopEntryQuery> self = shared_from_this();
  dispatch::Queue::global()->async([self, folders, searchPath, generation] {
    std::vector<DesktopEntryItem> items = self->gather(folders, searchPath);
    dispatch::Queue::main()->async([self, generation, items = std::move(items)]() mutable {
      {
        std::lock_guard<std::mutex> lock(self->mutex_);
        if (generation != self->generation_ || !self->started_) return;
        self->results_ = std::move(items);
        self->gathering_ = false;
      }
      NotificationCenter::defaultCenter().post(kDidFinishGatheringNotification, self.get());
    });
  });
  return true;
}

void DesktopEntryQuery::stopQuery() {
  std::lock_guard<std::mutex> lock(mutex_);
  started_ = false;
  gathering_ = false;
  ++generation_;
}

bool DesktopEntryQuery::isStarted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return started_;
}

std::vector<DesktopEntryItem> DesktopEntryQuery::results() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return results_;
}

}  // namespace vl
