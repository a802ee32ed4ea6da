#include "core/files/VLFileManager.h"

#include <sys/stat.h>

#include <algorithm>
#include <thread>

#include "core/VLConfig.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/system/UniformType.h"
#include "platform/system/desktop/Workspace.h"

namespace vl {

namespace {

// Only real folders: a link named like a date must never lead the clean-up into another tree.
bool isRealDirectory(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

VLFileManager& VLFileManager::shared() {
  static VLFileManager instance;
  return instance;
}

std::optional<std::string> VLFileManager::getUTI(const std::string& path) const {
  const std::string extension = files::pathExtension(path);
  if (extension.empty()) return Workspace::shared()->typeOfFile(path);
  return uti::preferredIdentifierForExtension(extension);
}

std::string VLFileManager::trimFileSchema(const std::string& text) {
  static constexpr std::string_view kSchema = "file://";
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t at = text.find(kSchema); at != std::string::npos; at = text.find(kSchema, from)) {
    out.append(text, from, at - from);
    from = at + kSchema.size();
  }
  out.append(text, from, std::string::npos);
  return out;
}

VLFileInfo VLFileManager::getFileInfoOfPath(const std::string& path) const {
  const std::string decoded = percentDecode(path);
  VLFileInfo info;
  // The decoded path is the one on disk; the extension is the same either way.
  info.setUti(getUTI(decoded).value_or(""));
  info.setName(percentDecode(files::lastPathComponent(path)));
  info.setPath(path);
  info.setUrl("file://" + path);
  const auto bytes = files::fileSize(decoded);
  info.setReadableSize(ReadableSize(bytes ? static_cast<long long>(*bytes) : 0));
  info.setModificationDate(files::modificationTime(decoded));
  return info;
}

bool VLFileManager::checkFileHasPermission(const std::string& path) const {
  // The folder text comes from a file URL, so it is read percent-decoded.
  const std::string folder = percentDecode(files::deletingLastPathComponent(path));
  const auto listing = files::listDirectory(folder, /*includeHidden=*/false);
  return listing.status != files::ListStatus::NoPermission && listing.status != files::ListStatus::Error;
}

void VLFileManager::setFilePathProvider(FilePathProvider provider) {
  std::lock_guard lock(mutex_);
  filePathProvider_ = std::move(provider);
}

void VLFileManager::cleanSandboxImagesIfNeeded() {
  const double now = Clock::current().now();
  std::vector<std::thread> finished;
  std::lock_guard lock(mutex_);
  for (std::thread::id id : finishedCleanUps_) {
    auto it = std::find_if(cleanUps_.begin(), cleanUps_.end(),
                           [id](const std::thread& t) { return t.get_id() == id; });
    if (it == cleanUps_.end()) continue;
    finished.push_back(std::move(*it));
    cleanUps_.erase(it);
  }
  finishedCleanUps_.clear();
  cleanUps_.emplace_back([this, now] {
    cleanSandboxImages(now);
    std::lock_guard done(mutex_);
    finishedCleanUps_.push_back(std::this_thread::get_id());
  });
  // A finished pass only has to return; joining it under the lock cannot wait on us.
  for (std::thread& t : finished) t.join();
}

void VLFileManager::waitForCleanUps() {
  std::vector<std::thread> running;
  {
    std::lock_guard lock(mutex_);
    running.swap(cleanUps_);
    finishedCleanUps_.clear();
  }
  for (std::thread& t : running) t.join();
}

std::optional<int> VLFileManager::retentionDays(const std::string& storageTime) {
  if (storageTime == "1w") return 7;
  if (storageTime == "2w") return 14;
  if (storageTime == "1m") return 30;
  if (storageTime == "3m") return 90;
  return std::nullopt;
}

double VLFileManager::cleanUpCutoff(double now, int days) {
  // Calendar days in the local zone, so the cut-off is a local midnight on either side of GMT and
  // across daylight-saving changes.
  return date::addCalendarDays(date::startOfDay(now), -days);
}

std::vector<std::string> VLFileManager::cleanSandboxImages(double now) {
  std::vector<std::string> removed;
  const Json storage = VLConfig::shared().getValueOfKey(VLConfig::kImageStorage).value_or(Json());
  const auto days = retentionDays(storage.is_object() ? jsonString(storage, "storageTime") : "");
  if (!days) return removed;

  FilePathProvider provider;
  {
    std::lock_guard lock(mutex_);
    provider = filePathProvider_;
  }
  const auto filePath = provider ? provider() : std::nullopt;
  if (!filePath || filePath->empty()) return removed;

  const double cutoff = cleanUpCutoff(now, *days);
  const auto listing = files::listDirectory(*filePath);
  if (!listing.ok()) return removed;
  for (const auto& name : listing.names) {
    const std::string folder = files::joinPath(*filePath, name);
    if (!isRealDirectory(folder)) continue;
    const auto day = date::parse(name, "yyyy-MM-dd");
    if (!day || !(*day < cutoff)) continue;
    if (files::removeRecursive(folder)) {
      removed.push_back(name);
    } else {
      logErrorf("clean images: could not remove %s", folder.c_str());
    }
  }
  return removed;
}

}  // namespace vl
