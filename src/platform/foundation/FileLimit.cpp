#include "platform/foundation/FileLimit.h"

#include <sys/resource.h>

#include <cerrno>
#include <cstring>

#include "platform/foundation/Log.h"

namespace vl {

bool raiseOpenFileLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
    logWarningf("vellisto: the open file limit cannot be read: %s", std::strerror(errno));
    return false;
  }
  if (limit.rlim_cur == limit.rlim_max) return true;
  const rlim_t before = limit.rlim_cur;
  limit.rlim_cur = limit.rlim_max;
  if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
    logWarningf("vellisto: the open file limit stays at %llu: %s", static_cast<unsigned long long>(before),
                std::strerror(errno));
    return false;
  }
  logf("vellisto: open file limit raised from %llu to %llu", static_cast<unsigned long long>(before),
       static_cast<unsigned long long>(limit.rlim_max));
  return true;
}

}  // namespace vl
