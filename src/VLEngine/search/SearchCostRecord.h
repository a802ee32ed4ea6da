#pragma once

#include <optional>
#include <string>

namespace vl {

// The process-wide stamp a search takes when it starts ("search", unit "ms"); the result receiver
// reads it when rows arrive, logs the cost and clears it. Also the "%@ -> cost %f%@" lines of the
// engine's own steps.
class SearchCostRecord {
 public:
  // Milliseconds of the monotonic clock.
  static double nowMs();
  static void stamp(const std::string& label, const std::string& unit);
  // The line "<label> -> cost <elapsed><unit>" when a stamp is set (start above 0), which is cleared.
  static std::optional<std::string> takeCostLine();
  static void clear();

  // Logs "<label> -> cost <ms since startMs>ms".
  static void logCost(const std::string& label, double startMs);
};

}  // namespace vl
