#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace vl {

struct HttpFetchOptions {
  // Whole-request limit, connecting included.
  double timeoutSeconds = 15;
  // Bodies larger than this are abandoned, not truncated.
  std::size_t maxBytes = 20 * 1024 * 1024;
};

struct HttpResponse {
  // The HTTP status; 0 when no response arrived.
  long status = 0;
  std::string body;
  // Empty when the transfer completed (whatever the status); else why it failed.
  std::string error;
  // The response's Content-Type header as sent ("text/html; charset=GBK"); empty when there was none.
  // Its initializer lets {status, body, error} stay a complete aggregate initialisation.
  std::string contentType = {};

  // The transfer completed with a 2xx status.
  bool ok() const { return error.empty() && status >= 200 && status < 300; }
};

// GET requests for the few places that fetch from the network (a copied image URL, the dictionary view,
// usage statistics).
// Only http and https are fetched: any other scheme, redirects included, is refused with an error,
// so a copied "file:" or "ftp:" URL can never read local files or other services.
class HttpFetcher : public std::enable_shared_from_this<HttpFetcher> {
 public:
  using Completion = std::function<void(const HttpResponse&)>;
  virtual ~HttpFetcher() = default;

  // The process-wide fetcher, libcurl unless a test installed another.
  static std::shared_ptr<HttpFetcher> shared();
  // nullptr goes back to libcurl.
  static void install(std::shared_ptr<HttpFetcher> fetcher);

  // Blocks the calling thread until the response, an error or the time limit. Never call it on the
  // main thread.
  virtual HttpResponse get(const std::string& url, const HttpFetchOptions& options = {}) = 0;
  // Runs get on a global queue and hands the response to `done` there (which may be empty).
  virtual void getAsync(const std::string& url, const HttpFetchOptions& options, Completion done);

  // True for an absolute http or https URL with a host.
  static bool isFetchableUrl(const std::string& url);
};

}  // namespace vl
