#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vl {

struct VLSystemVersion {
  std::int64_t majorVersion = 0;
  std::int64_t minorVersion = 0;
  std::int64_t patchVersion = 0;
  bool operator==(const VLSystemVersion&) const = default;
};

// This device as sync peers see it.
class VLDevice {
 public:
  // The identifier stored under settings key 5; empty when the key holds no text.
  static std::string uuid();
  // The host name; "localhost" when the system gives none.
  static std::string name();
  // The kernel release's leading numbers ("6.1.0-13-amd64" gives 6.1.0); all zero when unavailable.
  static VLSystemVersion systemVersion();
  // The parse behind systemVersion(), for any release text.
  static VLSystemVersion systemVersionOfRelease(std::string_view release);
};

}  // namespace vl
