#include "platform/system/net/NetworkPathInterface.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vl {

namespace {

NetworkInterfaceInfo& entryFor(std::vector<NetworkInterfaceInfo>& list, const char* name) {
  for (auto& info : list) {
    if (info.name == name) return info;
  }
  NetworkInterfaceInfo info;
  info.name = name;
  std::error_code error;
  info.wireless = std::filesystem::exists(std::filesystem::path("/sys/class/net") / name / "wireless", error);
  list.push_back(std::move(info));
  return list.back();
}

}  // namespace

std::vector<NetworkInterfaceInfo> networkInterfaces() {
  std::vector<NetworkInterfaceInfo> list;
  ifaddrs* addresses = nullptr;
  if (getifaddrs(&addresses) != 0) return list;
  for (ifaddrs* entry = addresses; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_name == nullptr) continue;
    NetworkInterfaceInfo& info = entryFor(list, entry->ifa_name);
    const unsigned flags = entry->ifa_flags;
    info.up = (flags & IFF_UP) != 0 && (flags & IFF_RUNNING) != 0;
    info.loopback = (flags & IFF_LOOPBACK) != 0;
    if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET && info.ipv4.empty()) {
      char text[INET_ADDRSTRLEN] = {};
      const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
      if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr) info.ipv4 = text;
    }
  }
  freeifaddrs(addresses);
  return list;
}

std::optional<NetworkInterfaceInfo> chooseSyncInterface(const std::vector<NetworkInterfaceInfo>& interfaces,
                                                        std::string_view override) {
  if (!override.empty()) {
    for (const auto& info : interfaces) {
      if (info.name == override) return info;
    }
    // The named interface is absent (unplugged, not yet created): its path is simply not usable.
    NetworkInterfaceInfo missing;
    missing.name = std::string(override);
    return missing;
  }
  for (const auto& info : interfaces) {
    if (info.wireless) return info;
  }
  for (const auto& info : interfaces) {
    if (!info.loopback && !info.ipv4.empty()) return info;
  }
  return std::nullopt;
}

std::optional<NetworkInterfaceInfo> syncInterface() {
  const char* override = std::getenv("VELLISTO_SYNC_IFACE");
  return chooseSyncInterface(networkInterfaces(), override != nullptr ? override : "");
}

NetworkPathStatus pathStatusOf(const std::optional<NetworkInterfaceInfo>& interface) {
  if (interface && interface->up && !interface->ipv4.empty()) return NetworkPathStatus::Satisfied;
  return NetworkPathStatus::Unsatisfied;
}

}  // namespace vl
