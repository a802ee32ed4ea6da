#include "platform/system/net/HttpFetcher.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Url.h"
#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/net/CurlHttpFetcher.h"

namespace vl {

std::shared_ptr<HttpFetcher> HttpFetcher::shared() {
  return InstalledBackend<HttpFetcher, CurlHttpFetcher>::get();
}

void HttpFetcher::install(std::shared_ptr<HttpFetcher> fetcher) {
  InstalledBackend<HttpFetcher, CurlHttpFetcher>::install(std::move(fetcher));
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
