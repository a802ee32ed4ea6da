#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vl {

// The Bluetooth LE service a serving device advertises, and its one read-only characteristic.
inline constexpr char kSyncServiceUUID[] = "6EDF5B3F-FAD2-4052-9142-D39584F92DD6";
inline constexpr char kSyncCharacteristicUUID[] = "30418E4D-D5BF-4B62-9545-5DA128B47DD7";

// Where a sync network's server listens and which network it is: the characteristic's value, a JSON
// object {"ip", "port", "network_id", "network_name", "device_name"}. An empty string stands for a
// missing value.
class CharacteristicValueBean {
 public:
  // An attribute holds at most 512 bytes; the encoding always fits.
  static constexpr std::size_t kMaxValueBytes = 512;
  static constexpr std::size_t kMaxIdBytes = 64;
  static constexpr std::size_t kMaxNameBytes = 160;

  // Decodes a value any nearby device may have sent. Only a dotted IPv4 address, a port from 1 to 65535
  // given as a number, and strings within their caps without control characters are taken; every
  // other field stays empty (port 0), and text that is not a JSON object leaves them all empty.
  static CharacteristicValueBean ofJSONData(std::string_view data);
  // Pretty-printed UTF-8 JSON with all five keys. Names too long for one attribute are cut (at a
  // character boundary) and control characters become spaces.
  std::string jsonData() const;

  const std::string& ip() const { return ip_; }
  void setIp(std::string ip) { ip_ = std::move(ip); }
  std::int64_t port() const { return port_; }
  void setPort(std::int64_t port) { port_ = port; }
  const std::string& networkId() const { return networkId_; }
  void setNetworkId(std::string id) { networkId_ = std::move(id); }
  const std::string& networkName() const { return networkName_; }
  void setNetworkName(std::string name) { networkName_ = std::move(name); }
  const std::string& deviceName() const { return deviceName_; }
  void setDeviceName(std::string name) { deviceName_ = std::move(name); }

  bool operator==(const CharacteristicValueBean&) const = default;

 private:
  std::string ip_;
  std::int64_t port_ = 0;
  std::string networkId_;
  std::string networkName_;
  std::string deviceName_;
};

}  // namespace vl
