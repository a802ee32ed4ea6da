#include "sync/transfer/FileTransferEntity.h"

#include <utility>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/record/JsonDataHelper.h"
#include "core/VLConstants.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "sync/transfer/ReceivedImageFile.h"

namespace vl {

using Lock = MutexLock;

std::shared_ptr<FileTransferEntity> FileTransferEntity::ofChunkSig(std::string chunkSig, double nowMs) {
  return std::make_shared<FileTransferEntity>(std::move(chunkSig), nowMs);
}

FileTransferEntity::FileTransferEntity(std::string chunkSig, double nowMs)
    : chunkSig_(std::move(chunkSig)), lastActivityMs_(nowMs) {}

std::int64_t FileTransferEntity::total() const {
  Lock lock(mutex_);
  return total_;
}
std::int64_t FileTransferEntity::received() const {
  Lock lock(mutex_);
  return received_;
}
std::size_t FileTransferEntity::byteCount() const { return bytes_; }
bool FileTransferEntity::isFirstReceived() const {
  Lock lock(mutex_);
  return total_ == 0;
}
bool FileTransferEntity::failed() const {
  Lock lock(mutex_);
  return failed_;
}
double FileTransferEntity::lastActivityMs() const {
  Lock lock(mutex_);
  return lastActivityMs_;
}

void FileTransferEntity::post(const char* name, std::int64_t value, const char* key) {
  Json info = key ? Json{{key, value}} : Json();
  VLNotificationCenter::postNotificationName(name, this, std::move(info));
}

void FileTransferEntity::fail(const char* why) {
  {
    Lock lock(mutex_);
    if (failed_) return;
    failed_ = true;
  }
  {
    Lock lock(spoolMutex_);
    spool_.reset();
    bytes_ = 0;
  }
  logWarningf("sync transfer: image %s dropped: %s", chunkSig_.c_str(), why);
}

void FileTransferEntity::cancel(const char* why) {
  fail(why);
  ended_ = true;
  post(kEndProcess, 0, nullptr);
}

void FileTransferEntity::setTotal(std::int64_t total) {
  {
    Lock lock(mutex_);
    total_ = total;
  }
  if (total <= 0 || total > kMaxSlices) {
    fail("it announces an impossible number of slices");
    return;
  }
  post(kSetMaxValue, total, "max_value");
}

void FileTransferEntity::appendData(std::string slice, double nowMs) {
  const char* refused = nullptr;
  std::int64_t count = 0;
  {
    Lock lock(mutex_);
    lastActivityMs_ = nowMs;
    if (failed_) return;
    if (received_ >= total_) {
      refused = "more slices than it announced";
    } else if (bytes_ + slice.size() > kMaxBytes || slice.size() > static_cast<std::size_t>(kSliceBytes)) {
      refused = "more bytes than an image may have";
    } else {
      count = ++received_;
    }
  }
  if (refused) return fail(refused);
  post(kDidUpdate, count, "received");
  bool kept = true;
  {
    Lock spoolLock(spoolMutex_);
    {
      Lock lock(mutex_);
      if (failed_) return;
    }
    if (!spool_) spool_ = std::make_unique<ReceivedBytes>(VLEngine::shared().foreverPath());
    kept = spool_->append(std::move(slice));
    bytes_ = spool_->size();
  }
  if (!kept) fail("it could not be written");
}

bool FileTransferEntity::end() {
  std::unique_ptr<ReceivedBytes> bytes;
  bool complete = false;
  {
    Lock spoolLock(spoolMutex_);
    Lock lock(mutex_);
    complete = !failed_ && total_ > 0 && received_ == total_ && spool_;
    if (complete) {
      bytes = std::move(spool_);
      bytes_ = 0;
    }
    if (!complete && !failed_) {
      logWarningf("sync transfer: image %s ended after %lld of %lld slices; not stored", chunkSig_.c_str(),
                  static_cast<long long>(received_), static_cast<long long>(total_));
    }
  }
  const bool stored = complete && storeImage(*bytes);
  ended_ = true;
  post(kEndProcess, 0, nullptr);
  return stored;
}

bool FileTransferEntity::storeImage(ReceivedBytes& bytes) {
  VLEngine& engine = VLEngine::shared();
  std::shared_ptr<Vellisto_Chunk> chunk = engine.getChunkBySig(chunkSig_, kClipboardPinTabId);
  if (!chunk) {
    logWarningf("sync transfer: the record of image %s is gone; not stored", chunkSig_.c_str());
    return false;
  }
  const std::string senderPath = JsonDataHelper::getImagePath(chunk->json());
  if (senderPath.empty()) {
    logWarningf("sync transfer: the record of image %s names no image; not stored", chunkSig_.c_str());
    return false;
  }
  const std::string name = ReceivedImageFile::fileNameFor(senderPath, chunkSig_);
  std::optional<std::string> written = bytes.storeAs(name);
  if (!written) return false;
  const std::string value = ReceivedImageFile::storedValue(files::deletingLastPathComponent(*written),
                                                           files::lastPathComponent(*written), senderPath);
  chunk->editJson([&](Json& json) {
    json["forever_image"] = value;
    return true;
  });
  logDebugf("sync transfer: image %s stored (%zu bytes)", chunkSig_.c_str(), bytes.size());
  return true;
}

}  // namespace vl
