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

// A recursive mutex the analysis knows about, for the few locks that a thread takes again while it holds
// them (callers hold the record store's lock across several store calls, each of which takes it too).
// The analysis follows one function at a time, so re-entry through a call is not an error; a function
// that needs the lock held says so with VL_REQUIRES as with a plain Mutex.
class VL_CAPABILITY("mutex") RecursiveMutex {
 public:
  RecursiveMutex() = default;
  RecursiveMutex(const RecursiveMutex&) = delete;
  RecursiveMutex& operator=(const RecursiveMutex&) = delete;

  void lock() VL_ACQUIRE() { mutex_.lock(); }
  void unlock() VL_RELEASE() { mutex_.unlock(); }
  bool try_lock() VL_TRY_ACQUIRE(true) { return mutex_.try_lock(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds a Mutex (or RecursiveMutex) for its scope. unlock() and lock() let go of it for a stretch (a
// call that must run unlocked) and take it back; the destructor lets go only if it is held.
template <class M>
class VL_SCOPED_CAPABILITY BasicMutexLock {
 public:
  explicit BasicMutexLock(M& mutex) VL_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
  ~BasicMutexLock() VL_RELEASE() {
    if (held_) mutex_.unlock();
  }
  BasicMutexLock(const BasicMutexLock&) = delete;
  BasicMutexLock& operator=(const BasicMutexLock&) = delete;

  void lock() VL_ACQUIRE() {
    mutex_.lock();
    held_ = true;
  }
  void unlock() VL_RELEASE() {
    held_ = false;
    mutex_.unlock();
  }

 private:
  M& mutex_;
  bool held_ = true;
};

using MutexLock = BasicMutexLock<Mutex>;
using RecursiveMutexLock = BasicMutexLock<RecursiveMutex>;

// Waits on a MutexLock; the lock is let go of while waiting and held again on return, as the analysis
// assumes of any call. Write a wait as a loop around wait_until(lock, deadline) that reads the guarded
// state itself: a predicate lambda is a function of its own to the analysis, not known to hold the lock.
using ConditionVariable = std::condition_variable_any;

}  // namespace vl
