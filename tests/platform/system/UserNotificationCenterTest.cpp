#include <gtest/gtest.h>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/system/UserNotificationCenter.h"
#include "platform/system/headless/HeadlessUserNotificationCenter.h"

namespace vl {
namespace {

using dispatch::MainLoop;

class UserNotificationCenterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainLoop::adoptCurrentThread();
    clock_ = std::make_shared<ManualClock>(1.7e9);
    Clock::install(clock_);
  }
  void TearDown() override { Clock::install(nullptr); }

  static UserNotification notice(const std::string& id, std::optional<double> at = std::nullopt) {
    UserNotification n;
    n.identifier = id;
    n.title = "title " + id;
    n.deliveryDate = at;
    return n;
  }
  static std::vector<std::string> ids(const std::vector<UserNotification>& list) {
    std::vector<std::string> out;
    for (const auto& n : list) out.push_back(n.identifier);
    return out;
  }

  std::shared_ptr<ManualClock> clock_;
};

TEST_F(UserNotificationCenterTest, ScheduledNoticeArrivesWhenTheClockPassesItsDate) {
  HeadlessUserNotificationCenter center;
  center.scheduleNotification(notice("later", 1.7e9 + 60));
  center.scheduleNotification(notice("sooner", 1.7e9 + 10));
  // A date already past, or none, does not wait.
  center.scheduleNotification(notice("past", 1.7e9 - 5));
  center.scheduleNotification(notice("undated"));
  EXPECT_EQ(ids(center.scheduledNotifications()), (std::vector<std::string>{"sooner", "later"}));
  EXPECT_EQ(ids(center.deliveredNotifications()), (std::vector<std::string>{"past", "undated"}));

  MainLoop::advance(9'999);
  EXPECT_EQ(center.deliveredNotifications().size(), 2u);
  MainLoop::advance(1);
  EXPECT_EQ(ids(center.deliveredNotifications()), (std::vector<std::string>{"past", "undated", "sooner"}));
  MainLoop::advance(50'000);
  EXPECT_EQ(center.deliveredNotifications().back().identifier, "later");
  EXPECT_TRUE(center.scheduledNotifications().empty());
}

TEST_F(UserNotificationCenterTest, RescheduleReplacesAndRemoveCancels) {
  HeadlessUserNotificationCenter center;
  center.scheduleNotification(notice("a", 1.7e9 + 10));
  auto moved = notice("a", 1.7e9 + 30);
  moved.title = "moved";
  center.scheduleNotification(moved);
  center.scheduleNotification(notice("b", 1.7e9 + 20));
  center.removeScheduledNotification("b");
  center.removeScheduledNotification("unknown");

  MainLoop::advance(25'000);
  EXPECT_TRUE(center.deliveredNotifications().empty());
  MainLoop::advance(5'000);
  ASSERT_EQ(center.deliveredNotifications().size(), 1u);
  EXPECT_EQ(center.deliveredNotifications()[0].title, "moved");
}

TEST_F(UserNotificationCenterTest, PendingNoticeOfADestroyedCentreIsDropped) {
  {
    HeadlessUserNotificationCenter center;
    center.scheduleNotification(notice("orphan", 1.7e9 + 1));
  }
  MainLoop::advance(2'000);  // must not touch the destroyed centre
  SUCCEED();
}

}  // namespace
}  // namespace vl
