#include "support/SessionBusTestSupport.h"

#include <sdbus-c++/sdbus-c++.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

namespace vl::dbustest {

PrivateSessionBus::PrivateSessionBus(const std::string& extraPolicy) {
  if (dir_.path().empty()) {
    skipReason_ = "no temporary folder";
    return;
  }
  const std::string config = dir_ / "bus.conf";
  std::ofstream(config)
      << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig><type>session</type><listen>unix:dir="
      << dir_.path()
      << "</listen><auth>EXTERNAL</auth>"
         "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
         "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
      << extraPolicy << "</policy></busconfig>\n";
  const std::string command =
      "dbus-daemon --config-file=" + config + " --fork --print-address=1 --print-pid=1 2>/dev/null";
  FILE* out = ::popen(command.c_str(), "r");
  if (!out) {
    skipReason_ = "dbus-daemon could not be run";
    return;
  }
  char line[512] = {};
  std::string address = std::fgets(line, sizeof line, out) ? line : "";
  std::string pid = std::fgets(line, sizeof line, out) ? line : "";
  ::pclose(out);
  while (!address.empty() && (address.back() == '\n' || address.back() == '\r')) address.pop_back();
  if (address.empty() || pid.empty()) {
    skipReason_ = "dbus-daemon did not start (is the dbus-daemon package installed?)";
    return;
  }
  address_ = address;
  pid_ = static_cast<pid_t>(std::stol(pid));
}

PrivateSessionBus::~PrivateSessionBus() { kill(); }

void PrivateSessionBus::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  pid_ = -1;
}

Peer::Peer(const std::string& address, const std::string& name)
    : connection_(sdbus::createSessionBusConnectionWithAddress(address)) {
  if (!name.empty()) connection_->requestName(name);
}

Peer::~Peer() = default;

void Peer::pump() {
  while (connection_->processPendingRequest()) {
  }
}

}  // namespace vl::dbustest
