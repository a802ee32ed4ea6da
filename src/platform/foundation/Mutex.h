#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/foundation/ThreadAnnotations.h"

namespace vl {

// A plain (not recursive) mutex the thread-safety analysis knows about. Same cost as std::mutex.
class VL_CAPABILITY("mutex") Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void lock() VL_ACQUIRE() { mutex_.lock(); }
  void unlock() VL_RELEASE() { mutex_.unlock(); }
  bool try_lock() VL_TRY_ACQUIRE(true) { return mutex_.try_lock(); }

 private:
  std::mutex mutex_;
};

// Holds a Mutex for its scope. unlock() and lock() let go of it for a stretch (a call that must run
// unlocked) and take it back; the destructor lets go only if it is held.
class VL_SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) VL_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
  ~MutexLock() VL_RELEASE() {
    if (held_) mutex_.unlock();
  }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  void lock() VL_ACQUIRE() {
    mutex_.lock();
    held_ = true;
  }
  void unlock() VL_RELEASE() {
    held_ = false;
    mutex_.unlock();
  }

 private:
  Mutex& mutex_;
  bool held_ = true;
};

// Waits on a MutexLock; the lock is let go of while waiting and held again on return, as the analysis
// assumes of any call.
using ConditionVariable = std::condition_variable_any;

}  // namespace vl
