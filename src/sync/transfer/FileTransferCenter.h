#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "sync/transfer/FileTransferEntity.h"

namespace vl {

// The images still to arrive, by the sig of their record. A device registers a record's sig when a
// merge brings a new image record whose bytes must follow (the serving handlers, the joined session),
// feeds each streamed slice to it, and ends it when the stream ends. While a sig is registered the
// serving device answers a request for that image with 601 ("later"), and the history windows show
// progress in place of the image.
//
// A registration that hears no slice for kIdleExpiryMs expires (its bytes dropped, kEndProcess posted),
// so an upload that never comes does not hold 601 and memory for good. At most kMaxRegistered sigs are
// kept (the one idle longest goes first); at most kMaxReceiving transfers gather bytes at once, and
// together they hold at most kMaxBytesInFlight. A slice past either cap fails its transfer as "busy":
// the sender is told to try again later.
//
// Used from both gRPC loops and the main thread; one leaf lock guards the map, taken before a transfer's
// own lock and never held while a notification is posted.
class FileTransferCenter {
 public:
  static constexpr double kIdleExpiryMs = 120000;
  static constexpr std::size_t kMaxRegistered = 10000;
  static constexpr std::size_t kMaxReceiving = 4;
  static constexpr std::size_t kMaxBytesInFlight = 2 * FileTransferEntity::kMaxBytes;

  enum class Slice {
    Taken,
    NotRegistered,
    // The transfer broke its word (count, size); it has failed.
    Refused,
    // Too many images arriving at once; the transfer has failed.
    Busy,
  };
  enum class Ended { Stored, NotRegistered, NotStored };

  static FileTransferCenter& defaultCenter();

  // A new empty transfer under the sig, replacing any earlier one.
  void registerChunkSig(const std::string& sig);
  std::shared_ptr<FileTransferEntity> getEntity(const std::string& sig);
  // One streamed slice, its bytes taken over: dropped when no transfer is registered under the sig; on
  // the first, the transfer's total becomes `totalPackages`.
  [[nodiscard]] Slice takeSlice(const std::string& sig, std::int64_t totalPackages, std::string data);
  // The same with a copy of `data`; whether it was taken.
  [[nodiscard]] bool appendSlice(const std::string& sig, std::int64_t totalPackages, std::string_view data);
  // The end of the stream: the transfer's end() (image stored, record updated), then the sig leaves the
  // registry unless it was registered anew meanwhile.
  Ended end(const std::string& sig);
  // A stream that broke off: the transfer is cancelled and forgotten; nothing is stored. Whether a
  // transfer was registered under the sig.
  bool abandon(const std::string& sig);

  std::size_t count();
  // Bytes the transfers hold now.
  std::size_t bytesHeld();
  void resetForTesting();
  // Smaller caps than kMaxReceiving and kMaxBytesInFlight, until resetForTesting.
  void setLimitsForTesting(std::size_t maxReceiving, std::size_t maxBytesInFlight);

 private:
  FileTransferCenter() = default;
  // Whether a slice of `bytes` more for `entity` goes past what may arrive at once.
  bool busyLocked(const std::shared_ptr<FileTransferEntity>& entity, std::size_t bytes) const
      VL_REQUIRES(mutex_);
  // Moves transfers idle past the limit into `expired`, at most once a second.
  void sweepLocked(double nowMs, std::vector<std::shared_ptr<FileTransferEntity>>& expired)
      VL_REQUIRES(mutex_);
  static void cancelAll(const std::vector<std::shared_ptr<FileTransferEntity>>& entities, const char* why);

  Mutex mutex_;
  std::map<std::string, std::shared_ptr<FileTransferEntity>> entities_ VL_GUARDED_BY(mutex_);
  double lastSweepMs_ VL_GUARDED_BY(mutex_) = 0;
  std::size_t maxReceiving_ VL_GUARDED_BY(mutex_) = kMaxReceiving;
  std::size_t maxBytesInFlight_ VL_GUARDED_BY(mutex_) = kMaxBytesInFlight;
};

}  // namespace vl
