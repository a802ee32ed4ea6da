#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace vl {

class Ping;

// Who a Ping watches for and who hears that it is gone. Every operation is optional: the defaults
// name no address, allow two failures and ignore the loss.
class PingDelegate {
 public:
  virtual ~PingDelegate() = default;
  virtual std::string pingFetchIP() { return {}; }
  virtual std::int64_t pingFetchPort() { return 0; }
  virtual int pingRetryTimes() { return 2; }
  // The serving device failed pingRetryTimes() probes in a row.
  virtual void pingDidFailed(Ping& ping) { (void)ping; }
};

// The reachability probe of the serving device: one TCP connect per tryConnect. Failures in a row are
// counted and a success starts the count again, so only an outage that lasts pingRetryTimes() probes
// reports; two short ones hours apart do not. After reporting, the probe is idle until readyForWork.
//
// The delegate is not owned; its owner outlives the Ping (the client session owns both). tryConnect
// runs on one queue at a time; the flags are atomic so other threads may read and clear them.
class Ping {
 public:
  static constexpr double kDefaultTimeoutMs = 2000;

  explicit Ping(PingDelegate* delegate, double timeoutMs = kDefaultTimeoutMs);

  // Idle, and the count back to 0.
  void clear();
  void readyForWork();
  // One probe, when ready: a success resets the count, a failure adds one, and the failure that reaches
  // the delegate's retry times calls pingDidFailed and then clear().
  void tryConnect();

  bool ready() const { return ready_; }
  std::int32_t failedCount() const { return failedCount_; }
  void setTimeoutMs(double timeoutMs) { timeoutMs_ = timeoutMs; }

  // Whether a TCP connection to the dotted IPv4 address and port could be made within `timeoutMs`. An
  // empty or malformed address, or a port outside 1-65535, gives false without a connection.
  static bool oneTake(const std::string& ip, std::int64_t port, double timeoutMs = kDefaultTimeoutMs);

 private:
  PingDelegate* delegate_;
  std::atomic<double> timeoutMs_;
  std::atomic<bool> ready_{false};
  std::atomic<std::int32_t> failedCount_{0};
};

}  // namespace vl
