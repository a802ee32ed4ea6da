#include "platform/foundation/ServiceHosts.h"

#include <cstdlib>

#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/JsonBounded.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

constexpr std::size_t kMaxFileBytes = 64 * 1024;

std::optional<std::string> overrideFor(std::string_view service) {
  const std::string path = environmentValue(kServicesFileVariable);
  if (path.empty()) return std::nullopt;
  // A FIFO or a device would never end; only a small regular file is read.
  const auto size = files::fileSize(path);
  if (!files::isRegularFile(path) || !size || *size > kMaxFileBytes) {
    logWarningf("services: %s is not a regular file of at most %zu bytes; the public services stay",
                kServicesFileVariable, kMaxFileBytes);
    return std::nullopt;
  }
  const auto text = files::readFile(path);
  if (!text) return std::nullopt;
  const BoundedJson parsed = parseJsonBounded(*text, 2, kMaxFileBytes);
  if (!parsed.ok() || !parsed.value->is_object()) {
    logWarningf("services: the file is not a JSON object (%s); the public services stay",
                parsed.reason.c_str());
    return std::nullopt;
  }
  const auto it = parsed.value->find(std::string(service));
  if (it == parsed.value->end()) return std::nullopt;
  if (!it->is_string()) {
    logWarningf("services: the entry for \"%.*s\" is not text; its public service stays",
                static_cast<int>(service.size()), service.data());
    return std::nullopt;
  }
  std::string base = it->get<std::string>();
  while (!base.empty() && base.back() == '/') base.pop_back();
  const auto url = Url::parse(base);
  if (!url || (url->scheme != "http" && url->scheme != "https") || url->host.empty() || url->hasQuery ||
      !url->fragment.empty()) {
    logWarningf(
        "services: the entry for \"%.*s\" is not an http or https base address; its public service stays",
        static_cast<int>(service.size()), service.data());
    return std::nullopt;
  }
  return base;
}

}  // namespace

std::string serviceBaseURL(std::string_view service, std::string_view fallback) {
  if (auto base = overrideFor(service)) return *base;
  return std::string(fallback);
}

}  // namespace vl
