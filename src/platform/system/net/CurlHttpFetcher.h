#pragma once

#include <string>

#include "platform/system/net/HttpFetcher.h"

namespace vl {

// The fetcher over libcurl. Each request uses its own easy handle, so requests on several threads do
// not share state; redirects are followed (at most five) but only to http and https.
class CurlHttpFetcher final : public HttpFetcher {
 public:
  CurlHttpFetcher();
  HttpResponse get(const std::string& url, const HttpFetchOptions& options = {}) override;
};

}  // namespace vl
