#pragma once

#include <exception>

// Invariants the comments promise, checked where checking is cheap. VL_DCHECK is compiled in when
// VL_DCHECK_ON is defined (every build but Release; see CMakeLists.txt) and otherwise compiles to
// nothing, the condition not even evaluated: never put work the program needs inside one.

namespace vl {

namespace detail {
[[noreturn]] void dcheckFailed(const char* file, int line, const char* condition, const char* message);
}  // namespace detail

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
#else
#define VL_DCHECK(cond) static_cast<void>(sizeof(!(cond)))
#define VL_DCHECK_MSG(cond, msg) static_cast<void>(sizeof(!(cond)))
#endif
