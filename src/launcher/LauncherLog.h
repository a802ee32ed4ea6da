#pragma once

#include <cstdarg>
#include <cstdio>

namespace vl::launcher {

// The launcher links nothing of ours, so it writes its few lines itself; stderr ends up in the
// session's journal when the desktop starts us at login.
__attribute__((format(printf, 1, 2))) inline void logf(const char* format, ...) {
  std::fputs("vellisto-launcher: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
}

}  // namespace vl::launcher
