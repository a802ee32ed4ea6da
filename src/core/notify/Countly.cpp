#include "core/notify/Countly.h"

#include <cstdio>

#include "core/VLDevice.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

// Statistics are best-effort: a short limit, and replies are never large.
constexpr HttpFetchOptions kStatsFetch{10, 64 * 1024};

}  // namespace

Countly& Countly::shared() {
  static Countly instance([] {
    Config config;
    config.uuid = VLDevice::uuid();
    const VLSystemVersion version = VLDevice::systemVersion();
    config.osVersion = std::to_string(version.majorVersion) + "." + std::to_string(version.minorVersion);
    config.appVersion = kShortVersion;
    return config;
  }());
  return instance;
}

Countly::Countly(Config config)
    : uuid_(std::move(config.uuid)),
      endpoint_(std::move(config.endpoint)),
      fetcher_(std::move(config.fetcher)) {
  metrics_ = {{"_os", "linux"}, {"_os_version", config.osVersion}, {"_app_version", config.appVersion}};
  metricsStr_ = "metrics=" + dumpJson(metrics_, 2);
}

void Countly::start() { _get(buildUrl("begin_session=1&" + metricsStr_)); }

void Countly::active() { _get(buildUrl("session_duration=30")); }

void Countly::stop() { _get(buildUrl("end_session=1")); }

void Countly::sendEvent(const std::string& name, long long count) {
  const Json events = Json::array({{{"key", name}, {"count", count}}});
  _get(buildUrl("events=" + dumpJson(events, 2)));
}

std::string Countly::buildUrl(const std::string& query) const {
  // Encoding the whole text keeps the query's own "&" and "=" while the JSON's quotes, braces,
  // spaces and line ends are escaped; "+" is escaped too, so a server never reads it as a space.
  const std::string text = endpoint_ + "/i?app_key=" + kAppKey + "&device_id=" + uuid_ + "&" + query;
  return percentEncode(text, PercentSet::Query);
}

void Countly::_get(const std::string& url) {
  auto fetcher = fetcher_ ? fetcher_ : HttpFetcher::shared();
  fetcher->getAsync(url, kStatsFetch, nullptr);
}

}  // namespace vl
