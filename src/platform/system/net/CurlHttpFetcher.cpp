#include "platform/system/net/CurlHttpFetcher.h"

#include <curl/curl.h>

#include <cmath>
#include <mutex>

#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

constexpr double kFallbackTimeoutSeconds = 15;
constexpr long kMaxRedirects = 5;

struct Sink {
  std::string body;
  std::size_t maxBytes = 0;
  bool tooLarge = false;
};

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const std::size_t n = size * count;
  if (n > sink->maxBytes || sink->body.size() > sink->maxBytes - n) {
    sink->tooLarge = true;
    return 0;  // a short write makes libcurl abort the transfer
  }
  sink->body.append(data, n);
  return n;
}

// The address without its query and fragment: those carry what the user copied or looked up.
std::string loggableUrl(const std::string& url) {
  auto parsed = Url::parse(url);
  if (!parsed) return "an address of " + std::to_string(url.size()) + " bytes";
  std::string shown = parsed->scheme + "://" + parsed->authority() + parsed->path;
  if (parsed->hasQuery || !parsed->fragment.empty()) shown += " (query left out)";
  return shown;
}

HttpResponse failure(const std::string& url, std::string error) {
  logWarningf("http get %s failed: %s", loggableUrl(url).c_str(), error.c_str());
  HttpResponse response;
  response.error = std::move(error);
  return response;
}

}  // namespace

CurlHttpFetcher::CurlHttpFetcher() {
  // Global setup is not thread-safe in older libcurl; do it once before any handle exists.
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpResponse CurlHttpFetcher::get(const std::string& url, const HttpFetchOptions& options) {
  if (!isFetchableUrl(url)) return failure(url, "unsupported URL (only http and https are fetched)");

  CURL* curl = curl_easy_init();
  if (!curl) return failure(url, "could not create a transfer");

  const double timeout = (options.timeoutSeconds > 0 && std::isfinite(options.timeoutSeconds))
                             ? options.timeoutSeconds
                             : kFallbackTimeoutSeconds;
  const long timeoutMs = static_cast<long>(std::ceil(timeout * 1000.0));
  Sink sink;
  sink.maxBytes = options.maxBytes;
  char errorText[CURL_ERROR_SIZE] = {};

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  // No signals: requests run on worker threads, where SIGALRM-based time-outs are unsafe.
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
  // Refuses up front when the server announces a larger body; the write callback catches the rest.
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBytes));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Vellisto");

  const CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  // Owned by the handle: copied before the cleanup frees it.
  const char* type = nullptr;
  curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
  std::string contentType = type ? type : "";
  curl_easy_cleanup(curl);

  if (code == CURLE_OK) {
    HttpResponse response;
    response.status = status;
    response.body = std::move(sink.body);
    response.contentType = std::move(contentType);
    return response;
  }
  std::string error;
  if (sink.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
    error = "response larger than " + std::to_string(options.maxBytes) + " bytes";
  } else if (code == CURLE_OPERATION_TIMEDOUT) {
    error = "timed out after " + std::to_string(timeoutMs) + " ms";
  } else if (code == CURLE_UNSUPPORTED_PROTOCOL) {
    error = "unsupported URL (only http and https are fetched)";
  } else {
    error = errorText[0] ? errorText : curl_easy_strerror(code);
  }
  HttpResponse response = failure(url, error);
  response.status = status;
  return response;
}

}  // namespace vl
