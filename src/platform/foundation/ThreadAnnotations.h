#pragma once

// What a lock guards and what a function needs held, said where the compiler can check it: the clang
// pass of CI (scripts/check-thread-safety) builds every file that includes this header with
// -Wthread-safety. g++ has no such analysis, so the macros expand to nothing there.
//
// std::mutex carries no annotations; guard annotated state with vl::Mutex and vl::MutexLock (or, where
// a thread takes the lock again while it holds it, vl::RecursiveMutex and vl::RecursiveMutexLock)
// (platform/foundation/Mutex.h).

#if defined(__clang__)
#define VL_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define VL_THREAD_ANNOTATION(x)
#endif

// A type that is a lock (vl::Mutex), and one that holds a lock for its lifetime (vl::MutexLock).
#define VL_CAPABILITY(name) VL_THREAD_ANNOTATION(capability(name))
#define VL_SCOPED_CAPABILITY VL_THREAD_ANNOTATION(scoped_lockable)
// Data read or written only with the lock held; a pointer whose target is.
#define VL_GUARDED_BY(lock) VL_THREAD_ANNOTATION(guarded_by(lock))
#define VL_PT_GUARDED_BY(lock) VL_THREAD_ANNOTATION(pt_guarded_by(lock))
// Lock order: this lock is taken only before (after) the named ones.
#define VL_ACQUIRED_BEFORE(...) VL_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define VL_ACQUIRED_AFTER(...) VL_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
// The caller holds the lock (REQUIRES), or must not (EXCLUDES: the function takes it itself).
#define VL_REQUIRES(...) VL_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define VL_EXCLUDES(...) VL_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
// The function takes, lets go of or tries to take the lock and returns with it so.
#define VL_ACQUIRE(...) VL_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define VL_RELEASE(...) VL_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define VL_TRY_ACQUIRE(...) VL_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
// The function returns a reference to the lock (an accessor such as mutex()).
#define VL_RETURN_CAPABILITY(x) VL_THREAD_ANNOTATION(lock_returned(x))
// Tells the analysis the lock is held here, checked by other means.
#define VL_ASSERT_CAPABILITY(x) VL_THREAD_ANNOTATION(assert_capability(x))
// For the rare function the analysis cannot follow; say why beside it.
#define VL_NO_THREAD_SAFETY_ANALYSIS VL_THREAD_ANNOTATION(no_thread_safety_analysis)
