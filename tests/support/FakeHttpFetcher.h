#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/system/net/HttpFetcher.h"

namespace vl::test {

// Canned responses for tests. It keeps the real fetcher's contract: non-http schemes are refused and a
// canned body over the size cap is an error, so callers' handling of both can be tested without a
// network. getAsync answers on the calling thread before it returns.
class FakeHttpFetcher final : public HttpFetcher {
 public:
  struct Request {
    std::string url;
    HttpFetchOptions options;
  };

  HttpResponse get(const std::string& url, const HttpFetchOptions& options = {}) override;
  void getAsync(const std::string& url, const HttpFetchOptions& options, Completion done) override;

  void setResponse(const std::string& url, HttpResponse response);
  // What URLs without a canned response get; by default a transport error.
  void setDefaultResponse(HttpResponse response);
  // Runs on the fetching thread before each answer, as a slow server would keep the caller waiting.
  void setBeforeAnswer(std::function<void(const std::string& url)> hook);

  std::vector<Request> requests() const;
  std::vector<std::string> requestedUrls() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, HttpResponse> responses_;
  HttpResponse default_{0, {}, "no response (fake fetcher)"};
  std::vector<Request> requests_;
  std::function<void(const std::string&)> beforeAnswer_;
};

}  // namespace vl::test
