#include <gtest/gtest.h>

#include "core/notify/Countly.h"
#include "platform/foundation/Url.h"
#include "support/FakeHttpFetcher.h"

namespace vl {
namespace {

class CountlyTest : public ::testing::Test {
 protected:
  Countly make() {
    Countly::Config config;
    config.uuid = "1B4E28BA-2FA1-41D2-883F-0016D3CCA427";
    config.osVersion = "6.1";
    config.appVersion = "2.3.4";
    config.endpoint = "https://stats.test";
    config.fetcher = fetcher_;
    return Countly(config);
  }

  // The value of one query key, decoded.
  static std::string queryValue(const std::string& url, const std::string& key) {
    const std::string decoded = percentDecode(url);
    const auto at = decoded.find("&" + key + "=");
    if (at == std::string::npos) return {};
    return decoded.substr(at + key.size() + 2);
  }

  std::shared_ptr<test::FakeHttpFetcher> fetcher_ = std::make_shared<test::FakeHttpFetcher>();
};

TEST_F(CountlyTest, BuildUrlPutsKeyAndDeviceBeforeTheQuery) {
  EXPECT_EQ(make().buildUrl("end_session=1"),
            "https://stats.test/i?app_key=9b2e61c07fd4a35e18c94b07ad3f26e5c81b0d72"
            "&device_id=1B4E28BA-2FA1-41D2-883F-0016D3CCA427&end_session=1");
  // Text that is not allowed in a query is escaped; the query's own separators are not.
  EXPECT_EQ(make().buildUrl("events=[\n  {\"a b\": 1}\n]#+%"),
            "https://stats.test/i?app_key=9b2e61c07fd4a35e18c94b07ad3f26e5c81b0d72"
            "&device_id=1B4E28BA-2FA1-41D2-883F-0016D3CCA427&events=%5B%0A%20%20%7B%22a%20b%22:%201%7D%0A%5D%"
            "23%2B%25");
}

TEST_F(CountlyTest, EachReportIsOneGetThroughTheFetcher) {
  Countly countly = make();
  countly.start();
  countly.active();
  countly.sendEvent("do-paste");
  countly.sendEvent("do-search", 3);
  countly.stop();

  const auto urls = fetcher_->requestedUrls();
  ASSERT_EQ(urls.size(), 5u);
  for (const auto& url : urls) EXPECT_TRUE(url.starts_with("https://stats.test/i?app_key=")) << url;
  EXPECT_NE(percentDecode(urls[0]).find("&begin_session=1&metrics={"), std::string::npos);
  EXPECT_EQ(parseJson(queryValue(urls[0], "metrics")),
            (Json{{"_os", "linux"}, {"_os_version", "6.1"}, {"_app_version", "2.3.4"}}));
  EXPECT_TRUE(urls[1].ends_with("&session_duration=30"));
  EXPECT_EQ(parseJson(queryValue(urls[2], "events")), Json::array({{{"key", "do-paste"}, {"count", 1}}}));
  EXPECT_EQ(parseJson(queryValue(urls[3], "events")), Json::array({{{"key", "do-search"}, {"count", 3}}}));
  EXPECT_TRUE(urls[4].ends_with("&end_session=1"));
  // Statistics never wait long or take much.
  EXPECT_LE(fetcher_->requests()[0].options.timeoutSeconds, 10);
}

}  // namespace
}  // namespace vl
