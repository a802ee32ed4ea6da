#include "platform/system/UserNotificationCenter.h"

#include <mutex>

#include "platform/system/HeadlessUserNotificationCenter.h"

namespace vl {

namespace {

std::mutex& installMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<UserNotificationCenter>& installed() {
  static std::shared_ptr<UserNotificationCenter> backend;
  return backend;
}

}  // namespace

std::shared_ptr<UserNotificationCenter> UserNotificationCenter::defaultCenter() {
  std::lock_guard lock(installMutex());
  auto& backend = installed();
  if (!backend) backend = std::make_shared<HeadlessUserNotificationCenter>();
  return backend;
}

void UserNotificationCenter::install(std::shared_ptr<UserNotificationCenter> backend) {
  std::lock_guard lock(installMutex());
  installed() = backend ? std::move(backend) : std::make_shared<HeadlessUserNotificationCenter>();
}

}  // namespace vl
