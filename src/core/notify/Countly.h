#pragma once

#include <memory>
#include <string>

#include "core/VLConstants.h"
#include "platform/foundation/Json.h"
#include "platform/system/net/HttpFetcher.h"

namespace vl {

// Reports sessions and named events to the usage-statistics endpoint, one GET per report with every
// value in the query. Nothing in the program starts it.
class Countly {
 public:
  static constexpr const char* kAppKey = "9b2e61c07fd4a35e18c94b07ad3f26e5c81b0d72";
  static constexpr const char* kDefaultEndpoint = "https://stats.vellisto.app";

  struct Config {
    std::string uuid;
    std::string osVersion;  // "major.minor"
    std::string appVersion;
    std::string endpoint = kDefaultEndpoint;  // scheme and host; "/i?" is appended
    std::shared_ptr<HttpFetcher> fetcher;     // nullptr: the process-wide fetcher at send time
  };

  // Created once: the device identifier from settings key 5, this system's version, the program's.
  static Countly& shared();
  explicit Countly(Config config);

  const std::string& uuid() const { return uuid_; }
  const Json& metrics() const { return metrics_; }
  const std::string& metricsStr() const { return metricsStr_; }

  void start();
  void active();
  void stop();
  void sendEvent(const std::string& name, long long count);
  void sendEvent(const std::string& name) { sendEvent(name, 1); }

  // The whole request URL for a query, percent-encoded as one query text.
  std::string buildUrl(const std::string& query) const;
  // Sends without waiting; the reply and any error are ignored.
  void _get(const std::string& url);

 private:
  std::string uuid_;
  Json metrics_;
  std::string metricsStr_;
  std::string endpoint_;
  std::shared_ptr<HttpFetcher> fetcher_;
};

}  // namespace vl
