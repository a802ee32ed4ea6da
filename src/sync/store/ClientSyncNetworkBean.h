#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/Json.h"

namespace vl {

// One sync network this device joined (or found and may join): where it is served and the access token
// the serving device gave this device. A value.
struct ClientSyncNetworkBean {
  std::string networkId;
  std::string networkName;
  std::string serverDeviceName;
  std::string accessToken;
  std::string ip;
  std::int64_t port = 0;
  // Stored but set by nothing, so it stays 0.
  double timestamp = 0;
  // The serving device answered that its device limit was reached: not joined automatically.
  bool canNotAutoJoinByLimitReached = false;

  // A network as a discovered advertisement describes it; no token.
  static ClientSyncNetworkBean ofCharacteristic(const std::string& networkId, const std::string& networkName,
                                                const std::string& deviceName, const std::string& ip,
                                                std::int64_t port);
  // The identity and address only: no token, timestamp or flag (what a join attempt remembers).
  ClientSyncNetworkBean copyWithZone() const;

  // {"networkId", "networkName", "serverDeviceName", "accessToken", "ip", "port", "timestamp",
  //  "canNotAutoJoinByLimitReached"}
  Json toJson() const;
  // Nothing for a value that is not an object with a text "networkId".
  static std::optional<ClientSyncNetworkBean> fromJson(const Json& value);
};

}  // namespace vl
