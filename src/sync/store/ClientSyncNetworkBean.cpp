#include "sync/store/ClientSyncNetworkBean.h"

#include <cmath>

namespace vl {

ClientSyncNetworkBean ClientSyncNetworkBean::ofCharacteristic(const std::string& networkId,
                                                              const std::string& networkName,
                                                              const std::string& deviceName,
                                                              const std::string& ip, std::int64_t port) {
  ClientSyncNetworkBean bean;
  bean.networkId = networkId;
  bean.networkName = networkName;
  bean.serverDeviceName = deviceName;
  bean.ip = ip;
  bean.port = port;
  return bean;
}

ClientSyncNetworkBean ClientSyncNetworkBean::copyWithZone() const {
  return ofCharacteristic(networkId, networkName, serverDeviceName, ip, port);
}

Json ClientSyncNetworkBean::toJson() const {
  return Json{{"networkId", networkId},
              {"networkName", networkName},
              {"serverDeviceName", serverDeviceName},
              {"accessToken", accessToken},
              {"ip", ip},
              {"port", port},
              {"timestamp", timestamp},
              {"canNotAutoJoinByLimitReached", canNotAutoJoinByLimitReached}};
}

std::optional<ClientSyncNetworkBean> ClientSyncNetworkBean::fromJson(const Json& value) {
  if (!value.is_object()) return std::nullopt;
  auto id = value.find("networkId");
  if (id == value.end() || !id->is_string()) return std::nullopt;
  ClientSyncNetworkBean bean;
  bean.networkId = id->get<std::string>();
  bean.networkName = jsonString(value, "networkName");
  bean.serverDeviceName = jsonString(value, "serverDeviceName");
  bean.accessToken = jsonString(value, "accessToken");
  bean.ip = jsonString(value, "ip");
  bean.port = jsonInteger(value, "port");
  bean.timestamp = jsonDouble(value, "timestamp");
  if (!std::isfinite(bean.timestamp)) bean.timestamp = 0;  // the list is ordered by it
  bean.canNotAutoJoinByLimitReached = jsonBool(value, "canNotAutoJoinByLimitReached");
  return bean;
}

}  // namespace vl
