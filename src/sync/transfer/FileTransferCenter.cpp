#include "sync/transfer/FileTransferCenter.h"

#include <algorithm>

#include "platform/foundation/Clock.h"

namespace vl {

using Lock = MutexLock;
using Entities = std::vector<std::shared_ptr<FileTransferEntity>>;

namespace {

constexpr double kSweepIntervalMs = 1000;

double nowMs() { return Clock::current().monotonicMs(); }

}  // namespace

FileTransferCenter& FileTransferCenter::defaultCenter() {
  static FileTransferCenter center;
  return center;
}

void FileTransferCenter::cancelAll(const Entities& entities, const char* why) {
  for (const auto& entity : entities) entity->cancel(why);
}

void FileTransferCenter::sweepLocked(double now, Entities& expired) {
  if (now - lastSweepMs_ < kSweepIntervalMs && now >= lastSweepMs_) return;
  lastSweepMs_ = now;
  for (auto it = entities_.begin(); it != entities_.end();) {
    if (now - it->second->lastActivityMs() > kIdleExpiryMs) {
      expired.push_back(it->second);
      it = entities_.erase(it);
    } else {
      ++it;
    }
  }
}

void FileTransferCenter::registerChunkSig(const std::string& sig) {
  Entities expired, replaced;
  {
    Lock lock(mutex_);
    const double now = nowMs();
    sweepLocked(now, expired);
    if (auto it = entities_.find(sig); it != entities_.end()) {
      replaced.push_back(it->second);
      entities_.erase(it);
    } else if (entities_.size() >= kMaxRegistered) {
      auto idlest = std::min_element(entities_.begin(), entities_.end(), [](const auto& a, const auto& b) {
        return a.second->lastActivityMs() < b.second->lastActivityMs();
      });
      replaced.push_back(idlest->second);
      entities_.erase(idlest);
    }
    entities_[sig] = FileTransferEntity::ofChunkSig(sig, now);
  }
  cancelAll(expired, "no slice came for two minutes");
  cancelAll(replaced, "registered anew");
}

std::shared_ptr<FileTransferEntity> FileTransferCenter::getEntity(const std::string& sig) {
  Entities expired;
  std::shared_ptr<FileTransferEntity> found;
  {
    Lock lock(mutex_);
    sweepLocked(nowMs(), expired);
    if (auto it = entities_.find(sig); it != entities_.end()) found = it->second;
  }
  cancelAll(expired, "no slice came for two minutes");
  return found;
}

bool FileTransferCenter::busyLocked(const std::shared_ptr<FileTransferEntity>& entity,
                                    std::size_t bytes) const {
  std::size_t receiving = 0, held = 0;
  for (const auto& item : entities_) {
    const std::size_t count = item.second->byteCount();
    held += count;
    receiving += count > 0 && item.second != entity ? 1 : 0;
  }
  return (entity->byteCount() == 0 && receiving >= maxReceiving_) || held + bytes > maxBytesInFlight_;
}

FileTransferCenter::Slice FileTransferCenter::takeSlice(const std::string& sig, std::int64_t totalPackages,
                                                        std::string data) {
  Entities expired;
  std::shared_ptr<FileTransferEntity> entity;
  bool busy = false;
  const double now = nowMs();
  {
    Lock lock(mutex_);
    sweepLocked(now, expired);
    if (auto it = entities_.find(sig); it != entities_.end()) entity = it->second;
    busy = entity && busyLocked(entity, data.size());
  }
  cancelAll(expired, "no slice came for two minutes");
  if (!entity) return Slice::NotRegistered;
  if (busy) {
    entity->fail("too many images arriving at once");
    return Slice::Busy;
  }
  if (entity->isFirstReceived()) entity->setTotal(totalPackages);
  entity->appendData(std::move(data), now);
  return entity->failed() ? Slice::Refused : Slice::Taken;
}

bool FileTransferCenter::appendSlice(const std::string& sig, std::int64_t totalPackages,
                                     std::string_view data) {
  return takeSlice(sig, totalPackages, std::string(data)) == Slice::Taken;
}

FileTransferCenter::Ended FileTransferCenter::end(const std::string& sig) {
  std::shared_ptr<FileTransferEntity> entity;
  {
    Lock lock(mutex_);
    if (auto it = entities_.find(sig); it != entities_.end()) entity = it->second;
  }
  if (!entity) return Ended::NotRegistered;
  // Ended outside the lock: storing a large image must not hold up the windows' look-ups, and while it
  // runs the sig stays registered, so a request for the image still hears "later".
  const bool stored = entity->end();
  Lock lock(mutex_);
  if (auto it = entities_.find(sig); it != entities_.end() && it->second == entity) entities_.erase(it);
  return stored ? Ended::Stored : Ended::NotStored;
}

bool FileTransferCenter::abandon(const std::string& sig) {
  std::shared_ptr<FileTransferEntity> entity;
  {
    Lock lock(mutex_);
    auto it = entities_.find(sig);
    if (it == entities_.end()) return false;
    entity = it->second;
    entities_.erase(it);
  }
  entity->cancel("its stream broke off");
  return true;
}

std::size_t FileTransferCenter::count() {
  Lock lock(mutex_);
  return entities_.size();
}

std::size_t FileTransferCenter::bytesHeld() {
  Lock lock(mutex_);
  std::size_t held = 0;
  for (const auto& item : entities_) held += item.second->byteCount();
  return held;
}

void FileTransferCenter::resetForTesting() {
  Lock lock(mutex_);
  entities_.clear();
  lastSweepMs_ = 0;
  maxReceiving_ = kMaxReceiving;
  maxBytesInFlight_ = kMaxBytesInFlight;
}

void FileTransferCenter::setLimitsForTesting(std::size_t maxReceiving, std::size_t maxBytesInFlight) {
  Lock lock(mutex_);
  maxReceiving_ = maxReceiving;
  maxBytesInFlight_ = maxBytesInFlight;
}

}  // namespace vl
