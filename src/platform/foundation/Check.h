#pragma once

#include <exception>

// Invariants the comments promise, checked where checking is cheap. VL_DCHECK is compiled in when
// VL_DCHECK_ON is defined (every build but Release; see CMakeLists.txt) and otherwise compiles to
// nothing, the condition not even evaluated: never put work the program needs inside one.
// VL_DCHECK_ON_MAIN() states "main thread only" at the entry points of views, windows and the other
// classes that say so.

namespace vl {

namespace detail {
[[noreturn]] void dcheckFailed(const char* file, int line, const char* condition, const char* message);
}  // namespace detail

// The main thread as the main loop knows it: the thread that adopted it last (MainLoop::run and
// MainLoop::adoptCurrentThread call adoptMainThread), else the process's initial thread. It lives down
// here so that the checks of every layer ask the same question the queues do.
void adoptMainThread();
bool isMainThread();

// What happens to an exception that escapes a queued block or a notification observer. The program
// logs it and carries on; tests and debug builds abort, so a test cannot pass while a block throws.
enum class UncaughtExceptionPolicy { Log, Abort };

// Returns the previous policy. Tests of the logging path itself switch to Log for their duration.
UncaughtExceptionPolicy setUncaughtExceptionPolicy(UncaughtExceptionPolicy policy);

// The one place such exceptions end up. `where` names the queue or notification, `error` is the
// caught exception (null for one that is not a std::exception).
void reportUncaughtException(const char* kind, const char* where, const std::exception* error);

}  // namespace vl

#if defined(VL_DCHECK_ON)
#define VL_DCHECK(cond) \
  ((cond) ? static_cast<void>(0) : ::vl::detail::dcheckFailed(__FILE__, __LINE__, #cond, nullptr))
#define VL_DCHECK_MSG(cond, msg) \
  ((cond) ? static_cast<void>(0) : ::vl::detail::dcheckFailed(__FILE__, __LINE__, #cond, (msg)))
#define VL_DCHECK_ON_MAIN()                    \
  (::vl::isMainThread() ? static_cast<void>(0) \
                        : ::vl::detail::dcheckFailed(__FILE__, __LINE__, "on the main thread", __func__))
#else
#define VL_DCHECK(cond) static_cast<void>(sizeof(!(cond)))
#define VL_DCHECK_MSG(cond, msg) static_cast<void>(sizeof(!(cond)))
#define VL_DCHECK_ON_MAIN() static_cast<void>(0)
#endif
