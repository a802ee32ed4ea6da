#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "platform/system/net/CurlHttpFetcher.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

// A loopback server on 127.0.0.1 with the pages the fetcher's limits are tried against.
class CurlHttpFetcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A proxy from the environment must not take loopback requests elsewhere.
    vl::setEnvironmentVariable("no_proxy", "127.0.0.1");
    server_.Get("/hello", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("hello", "text/plain; charset=GBK");
    });
    server_.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("not here", "text/plain");
    });
    // Announces its length, so the cap can refuse before reading.
    server_.Get("/big", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(1000, 'b'), "application/octet-stream");
    });
    // Never says how long it is and never stops: only the cap ends it.
    server_.Get("/endless", [](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("application/octet-stream", [](size_t, httplib::DataSink& sink) {
        static const std::string chunk(4096, 'e');
        return sink.write(chunk.data(), chunk.size());
      });
    });
    // Answers only when the test lets it, so the time limit is what ends the request.
    server_.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
      std::unique_lock lock(mutex_);
      released_.wait(lock, [this] { return release_; });
      res.set_content("late", "text/plain");
    });
    server_.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("file:///etc/hostname");
    });
    server_.Get("/to-hello",
                [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/hello"); });
    port_ = server_.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port_, 0);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }

  void TearDown() override {
    {
      std::lock_guard lock(mutex_);
      release_ = true;
    }
    released_.notify_all();
    server_.stop();
    thread_.join();
  }

  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable released_;
  bool release_ = false;
  CurlHttpFetcher fetcher_;
};

TEST_F(CurlHttpFetcherTest, FetchesBodyAndStatus) {
  auto r = fetcher_.get(url("/hello"));
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "hello");
  EXPECT_EQ(r.contentType, "text/plain; charset=GBK");

  r = fetcher_.get(url("/missing"));
  EXPECT_EQ(r.status, 404);
  EXPECT_TRUE(r.error.empty());
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.contentType, "text/plain");

  r = fetcher_.get(url("/to-hello"));
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.body, "hello");
}

TEST_F(CurlHttpFetcherTest, SizeCapAbandonsLargerBodies) {
  HttpFetchOptions options;
  options.maxBytes = 1000;  // exactly the body's size
  auto r = fetcher_.get(url("/big"), options);
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.body.size(), 1000u);

  for (const char* path : {"/big", "/endless"}) {
    options.maxBytes = path == std::string("/big") ? 999 : 64 * 1024;
    r = fetcher_.get(url(path), options);
    EXPECT_FALSE(r.ok()) << path;
    EXPECT_NE(r.error.find("larger than"), std::string::npos) << path << ": " << r.error;
    EXPECT_TRUE(r.body.empty()) << "a capped body is dropped, not handed over cut";
  }
}

TEST_F(CurlHttpFetcherTest, TimeLimitEndsAStalledRequest) {
  test::LogCapture log;
  HttpFetchOptions options;
  options.timeoutSeconds = 0.3;
  const auto start = std::chrono::steady_clock::now();
  auto r = fetcher_.get(url("/stall?q=secret-word"), options);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(r.ok());
  EXPECT_NE(r.error.find("timed out"), std::string::npos) << r.error;
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  // The query is what the user looked up: the failure's line names the address without it.
  EXPECT_TRUE(log.contains("/stall (query left out) failed"));
  EXPECT_FALSE(log.contains("secret-word"));
}

TEST_F(CurlHttpFetcherTest, OnlyHttpAndHttpsAreFetched) {
  for (const std::string& bad : {std::string("file:///etc/hostname"),
                                 std::string("ftp://127.0.0.1:") + std::to_string(port_) + "/hello",
                                 std::string("gopher://127.0.0.1/"), std::string("127.0.0.1/hello"),
                                 std::string("http://"), std::string("")}) {
    auto r = fetcher_.get(bad);
    EXPECT_FALSE(r.ok()) << bad;
    EXPECT_NE(r.error.find("only http and https"), std::string::npos) << bad << ": " << r.error;
  }
  // A redirect is no way around it either.
  auto r = fetcher_.get(url("/to-file"));
  EXPECT_FALSE(r.ok());
  EXPECT_TRUE(r.body.empty());
}

TEST_F(CurlHttpFetcherTest, GetAsyncAnswersOffTheCallingThread) {
  auto fetcher = std::make_shared<CurlHttpFetcher>();
  std::promise<std::pair<HttpResponse, std::thread::id>> answered;
  fetcher->getAsync(url("/hello"), {}, [&](const HttpResponse& r) {
    answered.set_value({r, std::this_thread::get_id()});
  });
  auto future = answered.get_future();
  ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  auto [response, thread] = future.get();
  EXPECT_EQ(response.body, "hello");
  EXPECT_NE(thread, std::this_thread::get_id());
}

}  // namespace
}  // namespace vl
