#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"

namespace vl {

// The crash-and-analytics service, kept on this machine: it is started once with the application's
// secret and the services wanted, records named events (in memory, and as JSON lines in a file when one
// is given) and sends nothing anywhere. Thread-safe.
class CrashAnalyticsService {
 public:
  enum Service : unsigned { Analytics = 1u << 0, Crashes = 1u << 1 };
  // The most recent events kept in memory.
  static constexpr std::size_t kMemoryLimit = 512;

  struct Event {
    std::string name;
    double time = 0;  // seconds since 1970
    Json properties;
    bool operator==(const Event&) const = default;
  };

  static CrashAnalyticsService& shared();
  CrashAnalyticsService() = default;
  CrashAnalyticsService(const CrashAnalyticsService&) = delete;
  CrashAnalyticsService& operator=(const CrashAnalyticsService&) = delete;

  // The secret is a GUID (36 characters, hex digits and dashes at 8-4-4-4-12). A bad secret, no
  // service, or a second start is logged and leaves the service as it was. `recordFile` (may be empty)
  // receives one JSON line per event.
  [[nodiscard]] bool start(const std::string& appSecret, unsigned services,
                           const std::string& recordFile = {});
  bool isStarted() const;
  unsigned services() const;
  std::string appSecret() const;

  // Recorded only while the analytics service runs; otherwise dropped silently, as a disabled
  // reporter would.
  void trackEvent(const std::string& name, const Json& properties = Json::object());
  std::vector<Event> events() const;

  static bool isGuid(const std::string& text);

  void resetForTesting();

 private:
  mutable std::mutex mutex_;
  bool started_ = false;
  unsigned services_ = 0;
  std::string secret_;
  std::string recordFile_;
  bool reportedWriteFailure_ = false;
  std::deque<Event> events_;
};

}  // namespace vl
