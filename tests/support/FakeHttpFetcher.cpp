#include "support/FakeHttpFetcher.h"

namespace vl::test {

HttpResponse FakeHttpFetcher::get(const std::string& url, const HttpFetchOptions& options) {
  std::function<void(const std::string&)> hook;
  {
    std::lock_guard lock(mutex_);
    hook = beforeAnswer_;
  }
  if (hook) hook(url);
  std::lock_guard lock(mutex_);
  requests_.push_back({url, options});
  if (!isFetchableUrl(url)) return {0, {}, "unsupported URL (only http and https are fetched)"};
  auto it = responses_.find(url);
  HttpResponse response = it == responses_.end() ? default_ : it->second;
  if (response.error.empty() && response.body.size() > options.maxBytes) {
    return {response.status, {}, "response larger than " + std::to_string(options.maxBytes) + " bytes"};
  }
  return response;
}

void FakeHttpFetcher::getAsync(const std::string& url, const HttpFetchOptions& options, Completion done) {
  HttpResponse response = get(url, options);
  if (done) done(response);
}

void FakeHttpFetcher::setResponse(const std::string& url, HttpResponse response) {
  std::lock_guard lock(mutex_);
  responses_[url] = std::move(response);
}

void FakeHttpFetcher::setBeforeAnswer(std::function<void(const std::string& url)> hook) {
  std::lock_guard lock(mutex_);
  beforeAnswer_ = std::move(hook);
}

void FakeHttpFetcher::setDefaultResponse(HttpResponse response) {
  std::lock_guard lock(mutex_);
  default_ = std::move(response);
}

std::vector<FakeHttpFetcher::Request> FakeHttpFetcher::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::string> FakeHttpFetcher::requestedUrls() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& r : requests_) out.push_back(r.url);
  return out;
}

}  // namespace vl::test
