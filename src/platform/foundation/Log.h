#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vl {

// Plain log lines on stderr. The lines the program promises ("append %@", "invalid", "cost %f")
// are written through here exactly as spelled; a line's level never changes its text.
//
// Every line has a level. What reaches stderr is chosen once per process by VELLISTO_LOG
// (debug, info, warning or error; info when unset): the tracing of single copies, keys, searches and
// clicks is debug, so a user sees start-up, notices, warnings and errors.
enum class LogLevel { kDebug, kInfo, kWarning, kError };

// Info: start-up, and what a user would want to know happened.
void log(const std::string& line);
// printf-style; a format mistake is a compile error thanks to the attribute.
void logf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Debug: tracing a developer follows a copy, a key or a search by.
void logDebug(const std::string& line);
void logDebugf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Warning: something was refused, set aside, or falls back; the program goes on.
void logWarning(const std::string& line);
void logWarningf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Error: something the user relies on failed (a write, a folder, a service).
void logError(const std::string& line);
void logErrorf(const char* format, ...) __attribute__((format(printf, 1, 2)));

void logAt(LogLevel level, const std::string& line);

// "debug", "info", "warning" or "error" (any case); nothing for anything else.
std::optional<LogLevel> logLevelNamed(std::string_view name);
// The least level stderr shows. Tests that read stderr choose it; the previous one is returned.
LogLevel logThreshold();
LogLevel setLogThreshold(LogLevel level);
// Forgets the choice made, so the next line reads VELLISTO_LOG again.
void resetLogLevelForTesting();

// Tests capture lines instead of reading stderr. A sink sees every line, whatever its level, so a test
// can wait for a tracing line without turning tracing on. Returns the previous sink.
using LogSink = void (*)(const std::string& line);
LogSink setLogSink(LogSink sink);

}  // namespace vl
