#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "support/TestSupport.h"

namespace sdbus {
class IConnection;
}

// A private session bus for the desktop backend's tests, and peers on it that the test thread drives
// itself, so no bus connection is ever touched by two threads.
namespace vl::dbustest {

// A dbus-daemon of our own with a configuration that activates no services, so nothing of the
// machine's desktop starts on it. address() is "" when it could not be started (see skipReason()).
// `extraPolicy` adds rules to the default policy after the ones that allow everything (a
// <deny send_destination="..."/> makes the daemon refuse calls as a system bus's policy would).
class PrivateSessionBus {
 public:
  explicit PrivateSessionBus(const std::string& extraPolicy = {});
  ~PrivateSessionBus();
  PrivateSessionBus(const PrivateSessionBus&) = delete;
  PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

  const std::string& address() const { return address_; }
  const std::string& skipReason() const { return skipReason_; }
  // Ends the daemon now (a bus that dies under the program).
  void kill();

 private:
  test::TempDir dir_{"vl-dbus"};
  std::string address_;
  std::string skipReason_;
  pid_t pid_ = -1;
};

// A connection to the bus, optionally owning a well-known name, without a thread: pump() handles what
// arrived, and the tests call it while they wait.
class Peer {
 public:
  explicit Peer(const std::string& address, const std::string& name = {});
  ~Peer();
  sdbus::IConnection& connection() { return *connection_; }
  void pump();

 private:
  std::unique_ptr<sdbus::IConnection> connection_;
};

}  // namespace vl::dbustest
