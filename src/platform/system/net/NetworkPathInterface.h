#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/net/NetworkPathMonitor.h"

namespace vl {

// One network interface as the sync layer sees it.
struct NetworkInterfaceInfo {
  std::string name;
  bool up = false;  // administratively up and with a carrier
  bool loopback = false;
  bool wireless = false;
  std::string ipv4;           // dotted form; empty without an IPv4 address
  bool defaultRoute = false;  // the default IPv4 route goes out through it
};

// The interfaces of this machine, in the kernel's order.
std::vector<NetworkInterfaceInfo> networkInterfaces();

// The interface sync traffic uses: the one named by VELLISTO_SYNC_IFACE (`override`, when not empty),
// else the one of the default route, else the first wireless interface, else the first interface other
// than loopback with an IPv4 address. None when nothing qualifies.
std::optional<NetworkInterfaceInfo> chooseSyncInterface(const std::vector<NetworkInterfaceInfo>& interfaces,
                                                        std::string_view override);
// The same over the live table and the environment.
std::optional<NetworkInterfaceInfo> syncInterface();

// The interface of the default IPv4 route in a routing table as /proc/net/route lists it (the lowest
// metric wins); "" when there is none. Reads at most the first few thousand lines.
std::string defaultRouteInterface(std::string_view table);

// Satisfied when the interface is up with an IPv4 address.
NetworkPathStatus pathStatusOf(const std::optional<NetworkInterfaceInfo>& interface);

}  // namespace vl
