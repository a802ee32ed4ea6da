#include "support/NetworkPathFake.h"

#include <utility>

namespace vl::test {

void NetworkPathFake::setUpdateHandler(Handler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  handler_ = std::move(handler);
}

void NetworkPathFake::start(std::shared_ptr<dispatch::Queue> queue) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!queue_ && !cancelled_) queue_ = std::move(queue);
}

void NetworkPathFake::cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = true;
}

bool NetworkPathFake::started() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_ != nullptr;
}

bool NetworkPathFake::cancelled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancelled_;
}

bool NetworkPathFake::report(NetworkPathStatus status) {
  std::shared_ptr<dispatch::Queue> queue;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!queue_ || cancelled_ || !handler_) return false;
    queue = queue_;
    pending_.push_back(status);
  }
  queue->async([self = shared_from_this()] { self->deliverNext(); });
  return true;
}

void NetworkPathFake::deliverNext() {
  // Each block takes the oldest report under one lock, so deliveries keep the order of report().
  std::lock_guard<std::mutex> delivery(deliveryMutex_);
  NetworkPathStatus status;
  Handler handler;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pending_.empty()) return;
    status = pending_.front();
    pending_.pop_front();
    if (cancelled_) return;
    handler = handler_;
  }
  handler(status);
}

NetworkPathFake::Installation::Installation(std::shared_ptr<NetworkPathFake> fake) {
  NetworkPathMonitor::setFactory([fake] { return fake; });
}

NetworkPathFake::Installation::~Installation() { NetworkPathMonitor::setFactory(nullptr); }

}  // namespace vl::test
