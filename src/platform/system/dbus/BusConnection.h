#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/Mutex.h"

namespace sdbus {
class IConnection;
}

namespace vl::dbus {

// A connection to the session bus with a thread of its own ("vl.dbus"), or to the system bus with one
// named "vl.dbus-system", that connects, runs the bus's event loop and does every bus call, so sd-bus,
// which is not thread-safe, is only ever touched there and the main thread never waits for the bus (but
// for the notification centre's one bounded look, DBusUserNotificationCenter::serviceAnswers). Work
// reaches the thread through post(); the thread hands results to the main queue itself.
//
// Services that live on the bus (exported objects, proxies, matches) are adopted by the connection and
// destroyed on its thread, before the connection. A bus that cannot be reached, or that goes away later,
// ends the thread with one log line; the lost handlers then run on the main queue so each backend can
// fall back to its headless twin.
class BusConnection : public std::enable_shared_from_this<BusConnection> {
 public:
  using Work = std::function<void(sdbus::IConnection&)>;
  enum class Bus { Session, System };

  // Starts connecting to `address`, or to the session bus ($DBUS_SESSION_BUS_ADDRESS) when empty, and
  // returns at once; the outcome arrives later (lost handlers on failure).
  static std::shared_ptr<BusConnection> open(const std::string& address = {});
  // The same for the system bus ($DBUS_SYSTEM_BUS_ADDRESS, else the system's socket) when `address` is
  // empty.
  static std::shared_ptr<BusConnection> openSystem(const std::string& address = {});
  // Whether a session bus can be looked for at all: an address in the environment, or the user bus
  // socket in $XDG_RUNTIME_DIR.
  static bool sessionBusAvailable();

  explicit BusConnection(std::string address, Bus bus = Bus::Session);
  ~BusConnection();
  BusConnection(const BusConnection&) = delete;
  BusConnection& operator=(const BusConnection&) = delete;

  // Runs `work` on the bus thread once connected, in order. Dropped once the bus is lost or closed. An
  // exception escaping `work` is logged.
  void post(Work work);
  // Keeps `service` alive until the connection closes or forget() is called, and destroys it on the bus
  // thread. Bus thread only.
  void adopt(std::shared_ptr<void> service);
  void forget(const void* service);

  // `handler` runs on the main queue once, when the bus is lost (at once, queued, if it already is).
  // Not called for close().
  void onLost(std::function<void()> handler);
  bool isLost() const { return lost_.load(); }

  // Stops the thread and waits for it; services and the connection are destroyed there. Idempotent.
  void close();

 private:
  void run();
  bool runQueued(sdbus::IConnection& connection);
  void wake();
  void markLost(const std::string& why);

  const std::string address_;
  const Bus bus_;
  Mutex mutex_;  // a leaf lock
  std::deque<Work> queue_ VL_GUARDED_BY(mutex_);
  std::vector<std::function<void()>> lostHandlers_ VL_GUARDED_BY(mutex_);
  std::vector<std::shared_ptr<void>> services_;  // bus thread only
  std::atomic<bool> stop_{false};
  std::atomic<bool> lost_{false};
  int wakeFd_ = -1;
  std::thread thread_;
};

}  // namespace vl::dbus
