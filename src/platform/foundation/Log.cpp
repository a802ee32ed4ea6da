#include "platform/foundation/Log.h"

#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/foundation/Environment.h"

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

// Mirrors currentSink() being set, so a line nobody will see is not even formatted.
std::atomic<bool> gHasSink{false};

constexpr int kUnset = -1;
// What VELLISTO_LOG chose, read at the first line; a test's choice stands above it.
std::atomic<int> gChosen{kUnset};
std::atomic<int> gForced{kUnset};
std::atomic<bool> gUnknownChoice{false};
std::atomic<bool> gToldUnknown{false};

LogLevel chosenLevel() {
  const int chosen = gChosen.load(std::memory_order_acquire);
  if (chosen != kUnset) return static_cast<LogLevel>(chosen);
  LogLevel level = LogLevel::kInfo;
  const std::string value = environmentValue("VELLISTO_LOG");
  if (!value.empty()) {
    if (std::optional<LogLevel> named = logLevelNamed(value)) {
      level = *named;
    } else {
      gUnknownChoice.store(true);
    }
  }
  gChosen.store(static_cast<int>(level), std::memory_order_release);
  return level;
}

void writeLine(LogLevel level, const std::string& line) {
  LogSink sink;
  {
    std::lock_guard<std::mutex> lock(logMutex());
    sink = currentSink();
    if (!sink) {
      if (level < logThreshold()) return;
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

__attribute__((format(printf, 2, 0))) void logFormatted(LogLevel level, const char* format, va_list args) {
  if (!gHasSink.load(std::memory_order_relaxed) && level < logThreshold()) return;
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
  logAt(level, line);
}

}  // namespace

void logAt(LogLevel level, const std::string& line) {
  (void)chosenLevel();
  // Said once, before the first line; the value itself is not repeated, as it may be anything.
  if (gUnknownChoice.load() && !gToldUnknown.exchange(true))
    writeLine(LogLevel::kWarning,
              "log: VELLISTO_LOG is not debug, info, warning or error; info and above are shown");
  writeLine(level, line);
}

void log(const std::string& line) { logAt(LogLevel::kInfo, line); }
void logDebug(const std::string& line) { logAt(LogLevel::kDebug, line); }
void logWarning(const std::string& line) { logAt(LogLevel::kWarning, line); }
void logError(const std::string& line) { logAt(LogLevel::kError, line); }

void logf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  logFormatted(LogLevel::kInfo, format, args);
  va_end(args);
}

void logDebugf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  logFormatted(LogLevel::kDebug, format, args);
  va_end(args);
}

void logWarningf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  logFormatted(LogLevel::kWarning, format, args);
  va_end(args);
}

void logErrorf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  logFormatted(LogLevel::kError, format, args);
  va_end(args);
}

std::optional<LogLevel> logLevelNamed(std::string_view name) {
  static constexpr struct {
    std::string_view name;
    LogLevel level;
  } kLevels[] = {{"debug", LogLevel::kDebug},
                 {"info", LogLevel::kInfo},
                 {"warning", LogLevel::kWarning},
                 {"error", LogLevel::kError}};
  for (const auto& known : kLevels) {
    if (name.size() != known.name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i) {
      const char c = name[i];
      same = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == known.name[i];
    }
    if (same) return known.level;
  }
  return std::nullopt;
}

LogLevel logThreshold() {
  const int forced = gForced.load(std::memory_order_relaxed);
  return forced == kUnset ? chosenLevel() : static_cast<LogLevel>(forced);
}

LogLevel setLogThreshold(LogLevel level) {
  const LogLevel previous = logThreshold();
  gForced.store(static_cast<int>(level), std::memory_order_relaxed);
  return previous;
}

void resetLogLevelForTesting() {
  gForced.store(kUnset);
  gChosen.store(kUnset);
  gUnknownChoice.store(false);
  gToldUnknown.store(false);
}

LogSink setLogSink(LogSink sink) {
  std::lock_guard<std::mutex> lock(logMutex());
  LogSink previous = currentSink();
  currentSink() = sink;
  gHasSink.store(sink != nullptr, std::memory_order_relaxed);
  return previous;
}

}  // namespace vl
