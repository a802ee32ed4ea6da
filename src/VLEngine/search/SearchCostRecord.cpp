#include "VLEngine/search/SearchCostRecord.h"

#include <cstdio>
#include <mutex>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

struct Stamp {
  std::mutex mutex;
  double startMs = 0;
  std::string unit;
  std::string label;
};

Stamp& stampSlot() {
  static Stamp* stamp = new Stamp();
  return *stamp;
}

std::string costLine(const std::string& label, double value, const std::string& unit) {
  char number[64];
  std::snprintf(number, sizeof number, "%f", value);
  return label + " -> cost " + number + unit;
}

}  // namespace

double SearchCostRecord::nowMs() { return Clock::current().monotonicMs(); }

void SearchCostRecord::stamp(const std::string& label, const std::string& unit) {
  Stamp& s = stampSlot();
  std::lock_guard<std::mutex> lock(s.mutex);
  // A monotonic clock may start at 0; a set stamp is always above it.
  s.startMs = nowMs() + 1e-9;
  s.label = label;
  s.unit = unit;
}

std::optional<std::string> SearchCostRecord::takeCostLine() {
  Stamp& s = stampSlot();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!(s.startMs > 0)) return std::nullopt;
  double elapsedSeconds = (nowMs() - s.startMs) / 1000.0;
  double value = s.unit == "ms" ? elapsedSeconds * 1000.0 : elapsedSeconds;
  s.startMs = 0;
  return costLine(s.label, value, s.unit);
}

void SearchCostRecord::clear() {
  Stamp& s = stampSlot();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.startMs = 0;
}

void SearchCostRecord::logCost(const std::string& label, double startMs) {
  logDebug(costLine(label, nowMs() - startMs, "ms"));
}

}  // namespace vl
