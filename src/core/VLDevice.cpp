#include "core/VLDevice.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "core/VLConfig.h"

namespace vl {

std::string VLDevice::uuid() {
  return VLConfig::shared().getStringValueOfKey(VLConfig::kDeviceUUID).value_or(std::string());
}

std::string VLDevice::name() {
  char host[HOST_NAME_MAX + 1] = {};
  if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') return "localhost";
  return host;
}

VLSystemVersion VLDevice::systemVersion() {
  struct utsname info;
  if (::uname(&info) != 0) return {};
  return systemVersionOfRelease(std::string_view(info.release, ::strnlen(info.release, sizeof info.release)));
}

VLSystemVersion VLDevice::systemVersionOfRelease(std::string_view release) {
  // Up to three dot-separated numbers at the start; whatever follows ("-13-amd64", "-rc1") is the
  // distribution's and ignored. No leading number, or one that does not fit, means unknown.
  std::int64_t parts[3] = {0, 0, 0};
  std::size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    if (pos >= release.size() || release[pos] < '0' || release[pos] > '9') {
      if (i == 0) return {};
      break;
    }
    std::int64_t value = 0;
    while (pos < release.size() && release[pos] >= '0' && release[pos] <= '9') {
      int digit = release[pos] - '0';
      if (value > (INT64_MAX - digit) / 10) return {};
      value = value * 10 + digit;
      ++pos;
    }
    parts[i] = value;
    if (pos >= release.size() || release[pos] != '.') break;
    ++pos;
  }
  return VLSystemVersion{parts[0], parts[1], parts[2]};
}

}  // namespace vl
