#pragma once

#include <memory>
#include <string>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Mutex.h"

namespace vl {

class CopyEntity;
class Vellisto_Chunk;

// Copying a text twice within 1.2 s joins it to the record before it, with the connector of the
// settings between: "a", then "b" twice, leaves one record "a<connector>b".
//
// The join touches only the two records the held copy itself stands on: the record it appended and the
// one that was newest just before. Both must still be there, nothing may have been appended since, and
// the older one must be plain text without an alias; otherwise the double copy is not merged, so a
// snippet, an image or a record of another device is never folded into a text.
//
// Everything runs on the capture queue, the time-out included, so the held copy never races.
class MergingCopy {
 public:
  static constexpr double kHoldMs = 1200;

  static MergingCopy& shared();
  MergingCopy() = default;
  // Cancels a pending time-out and waits for one already running.
  ~MergingCopy();
  MergingCopy(const MergingCopy&) = delete;
  MergingCopy& operator=(const MergingCopy&) = delete;

  // Offers a copy; true when it was absorbed into a merged record (the caller stores nothing).
  bool merge(const std::shared_ptr<CopyEntity>& entity);
  // Whether `entity` is the copy being held.
  bool holds(const CopyEntity& entity) const;
  // The held copy was stored as the new record `chunk`, appended right after `previous` (the newest
  // record before the append, or nothing).
  void heldCopyStored(const CopyEntity& entity, const std::shared_ptr<Vellisto_Chunk>& chunk,
                      const std::shared_ptr<Vellisto_Chunk>& previous);
  void copyEntityDidTimeout();
  // The text of settings key 117 when key 116 is on, else of key 118.
  std::string connector() const;

  std::shared_ptr<CopyEntity> holdCopyEntity() const;
  std::string mergingString() const;

 private:
  struct Held {
    std::shared_ptr<CopyEntity> entity;
    std::weak_ptr<Vellisto_Chunk> record;  // what the held copy appended
    std::weak_ptr<Vellisto_Chunk> older;   // the newest record before it
  };
  bool mergeDoubleCopy(const Held& held);
  void cancelTimeoutLocked() VL_REQUIRES(mutex_);
  void clearLocked() VL_REQUIRES(mutex_);

  mutable Mutex mutex_;  // a leaf lock
  std::shared_ptr<dispatch::DelayedBlock> timeoutBlock_ VL_GUARDED_BY(mutex_);
  Held held_ VL_GUARDED_BY(mutex_);
  std::string mergingString_ VL_GUARDED_BY(mutex_);
};

}  // namespace vl
