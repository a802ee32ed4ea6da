#include <gtest/gtest.h>

#include "core/notify/VLUserNotificationCenter.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Localization.h"
#include "platform/system/headless/HeadlessUserNotificationCenter.h"

namespace vl {
namespace {

TEST(VLUserNotificationCenterTest, DeviceNoticesCarryNameAndTime) {
  auto notices = std::make_shared<HeadlessUserNotificationCenter>();
  UserNotificationCenter::install(notices);
  Clock::install(std::make_shared<ManualClock>(1700000000.25));

  VLUserNotificationCenter::deliverDeviceConnected("");
  VLUserNotificationCenter::deliverDeviceDisconnected("");
  EXPECT_TRUE(notices->deliveredNotifications().empty());

  VLUserNotificationCenter::deliverDeviceConnected("Desk Pad");
  VLUserNotificationCenter::deliverDeviceDisconnected("Desk Pad");
  const auto delivered = notices->deliveredNotifications();
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(delivered[0].identifier, "vellisto-sync-netowrk-1700000000.250000");
  EXPECT_EQ(delivered[0].title, localized("sync.bar.unknown"));
  EXPECT_EQ(delivered[0].subtitle, localizedFormat("sync.deliver.device.connected", "Desk Pad"));
  EXPECT_EQ(delivered[1].subtitle, localizedFormat("sync.deliver.device.disconnected", "Desk Pad"));

  Clock::install(nullptr);
  UserNotificationCenter::install(nullptr);
}

}  // namespace
}  // namespace vl
