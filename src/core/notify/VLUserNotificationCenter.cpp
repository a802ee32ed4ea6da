#include "core/notify/VLUserNotificationCenter.h"

#include <cstdio>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Localization.h"
#include "platform/system/UserNotificationCenter.h"

namespace vl {

namespace {

void deliver(const std::string& deviceName, const char* subtitleKey) {
  if (deviceName.empty()) return;
  char identifier[96];
  std::snprintf(identifier, sizeof identifier, "vellisto-sync-netowrk-%f", Clock::current().now());
  UserNotification notice;
  notice.identifier = identifier;
  notice.title = localized("sync.bar.unknown");
  notice.subtitle = localizedFormat(subtitleKey, deviceName);
  UserNotificationCenter::defaultCenter()->deliverNotification(notice);
}

}  // namespace

void VLUserNotificationCenter::deliverDeviceConnected(const std::string& deviceName) {
  deliver(deviceName, "sync.deliver.device.connected");
}

void VLUserNotificationCenter::deliverDeviceDisconnected(const std::string& deviceName) {
  deliver(deviceName, "sync.deliver.device.disconnected");
}

}  // namespace vl
