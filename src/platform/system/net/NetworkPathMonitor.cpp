#include "platform/system/net/NetworkPathMonitor.h"

#include <mutex>
#include <utility>

#include "platform/system/net/NetworkPathInterface.h"

namespace vl {

namespace {

std::mutex& factoryMutex() {
  static std::mutex mutex;
  return mutex;
}

NetworkPathMonitor::Factory& installedFactory() {
  static NetworkPathMonitor::Factory factory;
  return factory;
}

}  // namespace

std::shared_ptr<NetworkPathMonitor> NetworkPathMonitor::create() {
  Factory factory;
  {
    std::lock_guard<std::mutex> lock(factoryMutex());
    factory = installedFactory();
  }
  if (factory) return factory();
  return std::make_shared<NetworkPathPoller>();
}

void NetworkPathMonitor::setFactory(Factory factory) {
  std::lock_guard<std::mutex> lock(factoryMutex());
  installedFactory() = std::move(factory);
}

NetworkPathPoller::NetworkPathPoller(Probe probe, double intervalMs)
    : probe_(std::move(probe)), intervalMs_(intervalMs) {
  if (!probe_) probe_ = [] { return pathStatusOf(syncInterface()); };
}

NetworkPathPoller::~NetworkPathPoller() { cancel(); }

void NetworkPathPoller::setUpdateHandler(Handler handler) {
  std::lock_guard<std::mutex> lock(pollMutex_);
  handler_ = std::move(handler);
}

void NetworkPathPoller::start(std::shared_ptr<dispatch::Queue> queue) {
  if (timer_ || !queue) return;
  timer_ = dispatch::TimerSource::create(queue);
  std::weak_ptr<NetworkPathPoller> weak = weak_from_this();
  timer_->setHandler([weak] {
    if (auto self = weak.lock()) self->poll();
  });
  // The first report comes right away, as a path monitor gives its current path when started.
  timer_->schedule(0, intervalMs_, intervalMs_ / 10);
  timer_->resume();
}

void NetworkPathPoller::cancel() {
  if (timer_) timer_->cancel();
}

void NetworkPathPoller::poll() {
  std::lock_guard<std::mutex> lock(pollMutex_);
  const NetworkPathStatus status = probe_();
  if (reported_ && status == last_) return;
  reported_ = true;
  last_ = status;
  if (handler_) handler_(status);
}

}  // namespace vl
