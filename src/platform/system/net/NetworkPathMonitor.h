#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "platform/dispatch/Dispatch.h"

namespace vl {

enum class NetworkPathStatus {
  Satisfied,           // the sync interface is up and has an IPv4 address
  Unsatisfied,         // it is down, has no address, or doesn't exist
  RequiresConnection,  // usable only after a connection is made first (never reported on Linux)
};

// Watches the path over the sync interface (see NetworkPathInterface.h). Once started it calls its
// handler with the current status and again whenever the status changes, on the queue it was started
// on. Cancelling stops the reports for good.
class NetworkPathMonitor {
 public:
  using Handler = std::function<void(NetworkPathStatus)>;
  using Factory = std::function<std::shared_ptr<NetworkPathMonitor>()>;

  virtual ~NetworkPathMonitor() = default;

  virtual void setUpdateHandler(Handler handler) = 0;
  virtual void start(std::shared_ptr<dispatch::Queue> queue) = 0;
  virtual void cancel() = 0;

  // A monitor of the sync interface: the polling backend unless a test installed a factory.
  static std::shared_ptr<NetworkPathMonitor> create();
  // nullptr restores the polling backend.
  static void setFactory(Factory factory);
};

// The Linux backend: reads the interfaces every `intervalMs` on a dispatch timer (so a manual clock
// drives it in tests) and reports when the status differs from the last report.
class NetworkPathPoller final : public NetworkPathMonitor,
                                public std::enable_shared_from_this<NetworkPathPoller> {
 public:
  using Probe = std::function<NetworkPathStatus()>;
  static constexpr double kDefaultIntervalMs = 2000;

  // The probe defaults to the live interface table.
  explicit NetworkPathPoller(Probe probe = {}, double intervalMs = kDefaultIntervalMs);
  ~NetworkPathPoller() override;

  void setUpdateHandler(Handler handler) override;
  void start(std::shared_ptr<dispatch::Queue> queue) override;
  void cancel() override;

 private:
  void poll();

  Probe probe_;
  double intervalMs_;
  // On a concurrent queue one poll may still run when the next begins; guards the handler as well.
  std::mutex pollMutex_;
  Handler handler_;
  std::shared_ptr<dispatch::TimerSource> timer_;
  bool reported_ = false;
  NetworkPathStatus last_ = NetworkPathStatus::Unsatisfied;
};

}  // namespace vl
