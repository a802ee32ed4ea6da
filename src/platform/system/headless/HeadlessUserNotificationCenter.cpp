#include "platform/system/headless/HeadlessUserNotificationCenter.h"

#include <algorithm>

#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"

namespace vl {

HeadlessUserNotificationCenter::HeadlessUserNotificationCenter() : state_(std::make_shared<State>()) {}

HeadlessUserNotificationCenter::~HeadlessUserNotificationCenter() {
  std::lock_guard lock(state_->mutex);
  for (auto& [id, entry] : state_->pending) {
    if (entry.second) entry.second->cancel();
  }
  state_->pending.clear();
}

void HeadlessUserNotificationCenter::deliverNotification(const UserNotification& notification) {
  std::lock_guard lock(state_->mutex);
  state_->delivered.push_back(notification);
}

void HeadlessUserNotificationCenter::scheduleNotification(const UserNotification& notification) {
  removeScheduledNotification(notification.identifier);
  const double now = Clock::current().now();
  if (!notification.deliveryDate || *notification.deliveryDate <= now) {
    deliverNotification(notification);
    return;
  }
  const double delayMs = (*notification.deliveryDate - now) * 1000.0;
  std::weak_ptr<State> weak = state_;
  const std::string id = notification.identifier;
  // Held under the lock until the entry is in place, so a block that fires at once still finds it.
  std::lock_guard lock(state_->mutex);
  auto block = dispatch::after(delayMs, dispatch::Queue::main(), [weak, id] {
    auto state = weak.lock();
    if (!state) return;
    std::lock_guard inner(state->mutex);
    auto it = state->pending.find(id);
    if (it == state->pending.end()) return;
    state->delivered.push_back(it->second.first);
    state->pending.erase(it);
  });
  state_->pending[id] = {notification, std::move(block)};
}

void HeadlessUserNotificationCenter::removeScheduledNotification(const std::string& identifier) {
  std::lock_guard lock(state_->mutex);
  auto it = state_->pending.find(identifier);
  if (it == state_->pending.end()) return;
  if (it->second.second) it->second.second->cancel();
  state_->pending.erase(it);
}

std::vector<UserNotification> HeadlessUserNotificationCenter::scheduledNotifications() const {
  std::lock_guard lock(state_->mutex);
  std::vector<UserNotification> out;
  for (const auto& [id, entry] : state_->pending) out.push_back(entry.first);
  std::sort(out.begin(), out.end(), [](const UserNotification& a, const UserNotification& b) {
    return a.deliveryDate.value_or(0) < b.deliveryDate.value_or(0);
  });
  return out;
}

bool HeadlessUserNotificationCenter::serviceAnswers() const {
  std::lock_guard lock(state_->mutex);
  return state_->answers;
}

void HeadlessUserNotificationCenter::setServiceAnswers(bool answers) {
  bool cameBack = false;
  {
    std::lock_guard lock(state_->mutex);
    cameBack = answers && !state_->answers;
    state_->answers = answers;
  }
  // Outside the lock: an observer may deliver what waited at once.
  if (cameBack) NotificationCenter::defaultCenter().post(kServiceAnswersNotification, this);
}

std::vector<UserNotification> HeadlessUserNotificationCenter::deliveredNotifications() const {
  std::lock_guard lock(state_->mutex);
  return state_->delivered;
}

}  // namespace vl
