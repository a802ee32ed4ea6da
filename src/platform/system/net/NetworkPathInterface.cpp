#include "platform/system/net/NetworkPathInterface.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/foundation/Environment.h"

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

// The kernel's routing table, read up to a size no real table reaches.
std::string routeTable() {
  constexpr std::size_t kMaxBytes = 256 * 1024;
  std::ifstream file("/proc/net/route", std::ios::binary);
  std::string text;
  char piece[4096];
  while (text.size() < kMaxBytes && file) {
    file.read(piece, sizeof piece);
    text.append(piece, static_cast<std::size_t>(file.gcount()));
  }
  return text;
}

}  // namespace

std::string defaultRouteInterface(std::string_view table) {
  constexpr int kMaxLines = 4096;
  constexpr unsigned long kRouteUp = 0x1;
  std::istringstream lines{std::string(table)};
  std::string line;
  std::string best;
  unsigned long bestMetric = ULONG_MAX;
  std::getline(lines, line);  // the header
  for (int n = 0; n < kMaxLines && std::getline(lines, line); ++n) {
    std::istringstream fields(line);
    std::string name, destination, gateway, flags, references, use, metric, mask;
    if (!(fields >> name >> destination >> gateway >> flags >> references >> use >> metric >> mask)) continue;
    if (destination != "00000000" || mask != "00000000") continue;
    char* end = nullptr;
    const unsigned long bits = std::strtoul(flags.c_str(), &end, 16);
    if (*end != '\0' || (bits & kRouteUp) == 0) continue;
    const unsigned long cost = std::strtoul(metric.c_str(), &end, 10);
    if (*end != '\0') continue;
    if (best.empty() || cost < bestMetric) {
      best = name;
      bestMetric = cost;
    }
  }
  return best;
}

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
  const std::string routed = defaultRouteInterface(routeTable());
  for (auto& info : list) info.defaultRoute = !routed.empty() && info.name == routed;
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
    if (info.defaultRoute) return info;
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
  return chooseSyncInterface(networkInterfaces(), environmentValue("VELLISTO_SYNC_IFACE"));
}

NetworkPathStatus pathStatusOf(const std::optional<NetworkInterfaceInfo>& interface) {
  if (interface && interface->up && !interface->ipv4.empty()) return NetworkPathStatus::Satisfied;
  return NetworkPathStatus::Unsatisfied;
}

}  // namespace vl
