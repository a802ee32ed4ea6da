#pragma once

#include <deque>
#include <memory>
#include <mutex>

#include "platform/system/net/NetworkPathMonitor.h"

namespace vl::test {

// A path source driven by hand, for tests of whatever watches the network: report() delivers a
// status on the queue the monitor was started on, as the real backend would.
class NetworkPathFake final : public NetworkPathMonitor,
                              public std::enable_shared_from_this<NetworkPathFake> {
 public:
  void setUpdateHandler(Handler handler) override;
  void start(std::shared_ptr<dispatch::Queue> queue) override;
  void cancel() override;

  // Delivers `status` (asynchronously, on the start queue) when started and not cancelled; returns
  // whether it was sent. Reports arrive in the order they were made, even on a concurrent queue.
  bool report(NetworkPathStatus status);

  bool started() const;
  bool cancelled() const;

  // Makes NetworkPathMonitor::create() hand out `fake` until the returned guard is destroyed.
  class Installation {
   public:
    explicit Installation(std::shared_ptr<NetworkPathFake> fake);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;
  };

 private:
  void deliverNext();

  mutable std::mutex mutex_;
  std::mutex deliveryMutex_;
  std::deque<NetworkPathStatus> pending_;
  Handler handler_;
  std::shared_ptr<dispatch::Queue> queue_;
  bool cancelled_ = false;
};

}  // namespace vl::test
