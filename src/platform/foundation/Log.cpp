#include "platform/foundation/Log.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace vl {

namespace {

std::mutex& logMutex() {
  static std::mutex m;
  return m;
}

LogSink& currentSink() {
  static LogSink sink = nullptr;
  return sink;
}

}  // namespace

void log(const std::string& line) {
  LogSink sink;
  {
    std::lock_guard<std::mutex> lock(logMutex());
    sink = currentSink();
    if (!sink) {
      // One write per line so lines of several threads (and processes) never interleave.
      std::string out = line;
      out.push_back('\n');
      const char* p = out.data();
      std::size_t left = out.size();
      while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n <= 0) break;
        p += n;
        left -= static_cast<std::size_t>(n);
      }
      return;
    }
  }
  sink(line);
}

void logf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string line;
  if (needed > 0) {
    line.resize(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(line.data(), line.size(), format, args);
    line.resize(static_cast<std::size_t>(needed));
  }
  va_end(args);
  log(line);
}

LogSink setLogSink(LogSink sink) {
  std::lock_guard<std::mutex> lock(logMutex());
  LogSink previous = currentSink();
  currentSink() = sink;
  return previous;
}

}  // namespace vl
