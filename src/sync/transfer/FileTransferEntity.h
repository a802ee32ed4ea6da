#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "sync/transfer/ReceivedBytes.h"

namespace vl {

// One image still arriving from another device, for the record with `chunkSig`: it counts the slices,
// gathers their bytes and, at the end of the stream, stores the image in the forever folder and points
// the record's json at it ("forever_image").
//
// Progress goes out as three notifications on the default centre, posted synchronously on the feeding
// thread with the entity as their object (never while the entity's lock is held):
//   kSetMaxValue  {"max_value": total}     on setTotal
//   kDidUpdate    {"received": count}      on appendData, after the count rose, before the bytes land
//   kEndProcess   (no user info)           at the end of end(), whatever it found
//
// A peer decides how many slices it announces and sends: a transfer that announces more than kMaxSlices,
// sends more slices than it announced, or more than kMaxBytes in all, fails; a failed transfer drops its
// bytes and stores nothing. The bytes wait in ReceivedBytes (an unnamed file in the forever folder, else
// memory) and grow with the slices that came, never with what a peer announced. Thread-safe; one stream
// feeds a transfer at a time. Two locks: the spool's (held while a slice is handed to the writer) is
// taken before the state's; byteCount() takes neither.
class FileTransferEntity : public std::enable_shared_from_this<FileTransferEntity> {
 public:
  static constexpr const char* kSetMaxValue = "kNotificationFileTransferEntitySetMaxValue";
  static constexpr const char* kDidUpdate = "kNotificationFileTransferEntityDidUpdate";
  static constexpr const char* kEndProcess = "kNotificationFileTransferEntityEndProcess";
  static constexpr std::int64_t kSliceBytes = 3145728;
  static constexpr std::int64_t kMaxSlices = 48;
  static constexpr std::size_t kMaxBytes = static_cast<std::size_t>(kMaxSlices * kSliceBytes);

  // Total 0, nothing received, `nowMs` (monotonic) as its last activity.
  static std::shared_ptr<FileTransferEntity> ofChunkSig(std::string chunkSig, double nowMs);

  const std::string& chunkSig() const { return chunkSig_; }
  std::int64_t total() const;
  std::int64_t received() const;
  // Bytes held now.
  std::size_t byteCount() const;
  // While no total was set.
  bool isFirstReceived() const;
  bool failed() const;
  // The monotonic time of the registration or of the last slice.
  double lastActivityMs() const;
  // From just before kEndProcess is posted: whoever looks the transfer up now, while the registry may
  // still hold it, must not wait for an end it has missed.
  bool ended() const { return ended_; }

  void setTotal(std::int64_t total);
  // One slice, at `nowMs`; its bytes are kept as they are, without a copy.
  void appendData(std::string slice, double nowMs);
  // Drops the bytes and fails the transfer (a budget that ran out); `why` is logged.
  void fail(const char* why);
  // fail(), then kEndProcess, so whoever shows the transfer stops: the stream broke or went silent.
  void cancel(const char* why);
  // When every announced slice arrived: writes the image under a free name in the forever folder and
  // then, only if that worked, sets the record's "forever_image" and saves its doc. Posts kEndProcess in
  // every case. Returns whether the image was stored.
  bool end();

  explicit FileTransferEntity(std::string chunkSig, double nowMs);

 private:
  void post(const char* name, std::int64_t value, const char* key);
  [[nodiscard]] bool storeImage(ReceivedBytes& bytes);

  const std::string chunkSig_;
  Mutex spoolMutex_ VL_ACQUIRED_BEFORE(mutex_);
  mutable Mutex mutex_;
  std::int64_t total_ VL_GUARDED_BY(mutex_) = 0;
  std::int64_t received_ VL_GUARDED_BY(mutex_) = 0;
  bool failed_ VL_GUARDED_BY(mutex_) = false;
  double lastActivityMs_ VL_GUARDED_BY(mutex_) = 0;
  std::unique_ptr<ReceivedBytes> spool_ VL_GUARDED_BY(spoolMutex_);
  std::atomic<std::size_t> bytes_{0};
  std::atomic<bool> ended_{false};
};

}  // namespace vl
