#pragma once

#include <string>

namespace vl {

// Plain log lines on stderr. The lines the program promises ("append %@", "invalid", "cost %f")
// are written through here exactly as spelled.
void log(const std::string& line);
// printf-style; a format mistake is a compile error thanks to the attribute.
void logf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Tests capture lines instead of reading stderr. Returns the previous sink.
using LogSink = void (*)(const std::string& line);
LogSink setLogSink(LogSink sink);

}  // namespace vl
