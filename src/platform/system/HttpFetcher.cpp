#include "platform/system/HttpFetcher.h"

#include <mutex>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Url.h"
#include "platform/system/CurlHttpFetcher.h"

namespace vl {

namespace {

std::mutex& installMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<HttpFetcher>& installed() {
  static std::shared_ptr<HttpFetcher> fetcher;
  return fetcher;
}

}  // namespace

std::shared_ptr<HttpFetcher> HttpFetcher::shared() {
  std::lock_guard lock(installMutex());
  auto& fetcher = installed();
  if (!fetcher) fetcher = std::make_shared<CurlHttpFetcher>();
  return fetcher;
}

void HttpFetcher::install(std::shared_ptr<HttpFetcher> fetcher) {
  std::lock_guard lock(installMutex());
  installed() = fetcher ? std::move(fetcher) : std::make_shared<CurlHttpFetcher>();
}

void HttpFetcher::getAsync(const std::string& url, const HttpFetchOptions& options, Completion done) {
  // The block keeps a shared fetcher alive, so an install() meanwhile does not pull it away
  // mid-request; a fetcher not held by a shared_ptr must outlive its requests.
  auto self = weak_from_this().lock();
  dispatch::Queue::global()->async([this, self, url, options, done = std::move(done)] {
    HttpResponse response = get(url, options);
    if (done) done(response);
  });
}

bool HttpFetcher::isFetchableUrl(const std::string& url) {
  auto parsed = Url::parse(url);
  if (!parsed) return false;
  return (parsed->scheme == "http" || parsed->scheme == "https") && !parsed->host.empty();
}

}  // namespace vl
