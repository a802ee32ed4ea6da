#include "platform/system/UserNotificationCenter.h"

#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/headless/HeadlessUserNotificationCenter.h"

namespace vl {

std::shared_ptr<UserNotificationCenter> UserNotificationCenter::defaultCenter() {
  return InstalledBackend<UserNotificationCenter, HeadlessUserNotificationCenter>::get();
}

void UserNotificationCenter::install(std::shared_ptr<UserNotificationCenter> backend) {
  InstalledBackend<UserNotificationCenter, HeadlessUserNotificationCenter>::install(std::move(backend));
}

}  // namespace vl
