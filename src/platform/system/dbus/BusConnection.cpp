#include "platform/system/dbus/BusConnection.h"

#include <poll.h>
#include <pthread.h>
#include <sdbus-c++/sdbus-c++.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Log.h"

namespace vl::dbus {

std::shared_ptr<BusConnection> BusConnection::open(const std::string& address) {
  auto bus = std::make_shared<BusConnection>(address);
  bus->thread_ = std::thread([raw = bus.get()] { raw->run(); });
  return bus;
}

std::shared_ptr<BusConnection> BusConnection::openSystem(const std::string& address) {
  auto bus = std::make_shared<BusConnection>(address, Bus::System);
  bus->thread_ = std::thread([raw = bus.get()] { raw->run(); });
  return bus;
}

bool BusConnection::sessionBusAvailable() {
  if (!environmentValue("DBUS_SESSION_BUS_ADDRESS").empty()) return true;
  const std::string runtime = environmentValue("XDG_RUNTIME_DIR");
  if (runtime.empty()) return false;
  struct stat st {};
  return ::stat((runtime + "/bus").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

BusConnection::BusConnection(std::string address, Bus bus) : address_(std::move(address)), bus_(bus) {
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

BusConnection::~BusConnection() {
  close();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void BusConnection::post(Work work) {
  if (stop_.load() || lost_.load()) return;
  {
    MutexLock lock(mutex_);
    queue_.push_back(std::move(work));
  }
  wake();
}

void BusConnection::adopt(std::shared_ptr<void> service) {
  if (service) services_.push_back(std::move(service));
}

void BusConnection::forget(const void* service) {
  // Moved out first: a service's destructor may post, and must not find itself half erased.
  std::vector<std::shared_ptr<void>> gone;
  for (auto it = services_.begin(); it != services_.end();) {
    if (it->get() == service) {
      gone.push_back(std::move(*it));
      it = services_.erase(it);
    } else {
      ++it;
    }
  }
}

void BusConnection::onLost(std::function<void()> handler) {
  if (!handler) return;
  {
    MutexLock lock(mutex_);
    if (!lost_.load()) {
      lostHandlers_.push_back(std::move(handler));
      return;
    }
  }
  dispatch::Queue::main()->async(std::move(handler));
}

void BusConnection::close() {
  stop_.store(true);
  wake();
  if (!thread_.joinable()) return;
  // Only reachable if the last owner let go on the bus thread itself; it ends on its own.
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();
    return;
  }
  thread_.join();
}

void BusConnection::wake() {
  if (wakeFd_ < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void BusConnection::markLost(const std::string& why) {
  std::vector<std::function<void()>> handlers;
  {
    MutexLock lock(mutex_);
    lost_.store(true);
    handlers.swap(lostHandlers_);
    queue_.clear();
  }
  logWarningf("dbus: %s; %s", why.c_str(),
              bus_ == Bus::System ? "Bluetooth LE is unavailable"
                                  : "desktop services fall back to their headless twins");
  for (auto& h : handlers) dispatch::Queue::main()->async(std::move(h));
}

bool BusConnection::runQueued(sdbus::IConnection& connection) {
  std::deque<Work> work;
  {
    MutexLock lock(mutex_);
    work.swap(queue_);
  }
  for (auto& w : work) {
    if (stop_.load()) return false;
    try {
      w(connection);
    } catch (const std::exception& e) {
      logErrorf("dbus: a bus task failed: %s", e.what());
    }
  }
  return !work.empty();
}

void BusConnection::run() {
  const bool system = bus_ == Bus::System;
  pthread_setname_np(pthread_self(), system ? "vl.dbus-system" : "vl.dbus");
  const char* const name = system ? "system bus" : "session bus";
  std::unique_ptr<sdbus::IConnection> connection;
  try {
    // sdbus-c++ 1.2 leaks the half-opened bus when an explicit address cannot be reached; the program
    // itself finds its bus through the environment, whose path frees it. An explicit address is a bus
    // of its own whichever kind it stands for.
    if (!address_.empty()) {
      connection = sdbus::createSessionBusConnectionWithAddress(address_);
    } else {
      connection = system ? sdbus::createSystemBusConnection() : sdbus::createSessionBusConnection();
    }
  } catch (const std::exception& e) {
    markLost(std::string("no ") + name + " (" + e.what() + ")");
    return;
  }
  std::string failure;
  try {
    while (!stop_.load()) {
      runQueued(*connection);
      while (!stop_.load() && connection->processPendingRequest()) {
      }
      if (stop_.load()) break;
      const sdbus::IConnection::PollData pd = connection->getEventLoopPollData();
      pollfd fds[2] = {{pd.fd, pd.events, 0}, {wakeFd_, POLLIN, 0}};
      if (::poll(fds, 2, pd.getPollTimeout()) < 0 && errno != EINTR) {
        failure = "poll failed";
        break;
      }
      if (fds[1].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
      }
      // A hung-up socket still has to be read to its end; the next process call reports the loss.
    }
  } catch (const std::exception& e) {
    failure = std::string("the ") + name + " went away (" + e.what() + ")";
  }
  // Services first: they unregister from a connection that must still exist.
  try {
    std::vector<std::shared_ptr<void>> services;
    services.swap(services_);
    services.clear();
    connection.reset();
  } catch (const std::exception& e) {
    logWarningf("dbus: closing the connection: %s", e.what());
  }
  if (!failure.empty() && !stop_.load()) markLost(failure);
}

}  // namespace vl::dbus
