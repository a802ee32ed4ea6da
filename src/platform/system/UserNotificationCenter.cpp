#include "platform/system/UserNotificationCenter.h"

#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/headless/HeadlessUserNotificationCenter.h"

namespace vl {

std::shared_ptr<UserNotificationCenter> UserNotificationCenter::defaultCenter() {
  return InstalledBackend<UserNotificationCenter, HeadlessUserNotificationCenter>::get();
}

namespace {

UserNotificationCenter::ActivationHandler& activationHandler() {
  static UserNotificationCenter::ActivationHandler handler;
  return handler;
}

}  // namespace

void UserNotificationCenter::setActivationHandler(ActivationHandler handler) {
  activationHandler() = std::move(handler);
}

void UserNotificationCenter::notifyActivation(const std::string& identifier, const std::string& action) {
  // A copy: the handler may replace itself.
  if (ActivationHandler handler = activationHandler()) handler(identifier, action);
}

void UserNotificationCenter::install(std::shared_ptr<UserNotificationCenter> backend) {
  InstalledBackend<UserNotificationCenter, HeadlessUserNotificationCenter>::install(std::move(backend));
}

}  // namespace vl
