#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Json.h"

namespace vl {

// One device a served network has admitted. The identity and token are stored with the network; the
// two flags and the time of the last call are not, so after a restart every device starts disconnected.
//
// A bean is a value: the served network's table (ServerSyncNetworkBean) keeps its own entries under its
// lock and hands out copies; change an entry through the table's operations.
struct AuthorizedBean {
  // Peers choose these texts; longer ones are cut when a device is admitted (UTF-16 code units).
  static constexpr std::size_t kMaxDeviceIdLength = 128;
  static constexpr std::size_t kMaxDeviceNameLength = 128;

  std::string deviceId;
  std::string deviceName;
  // A new UUID in its 36-character upper-case form.
  std::string accessToken;
  // Seconds since 1970.
  double authTime = 0;

  // Not stored.
  bool connected = false;
  bool tryDisconnect = false;
  // The monotonic time (Clock::monotonicMs) of the device's last admitted call.
  double lastSeenMs = 0;

  // A new entry: a fresh token, authTime now, the identity cut to its bounds.
  static AuthorizedBean ofDeviceId(const std::string& deviceId, const std::string& deviceName);

  // {"deviceId", "deviceName", "accessToken", "authTime"}
  Json toJson() const;
  // Nothing for a value that is not an object with a non-empty text "accessToken".
  static std::optional<AuthorizedBean> fromJson(const Json& value);
};

}  // namespace vl
