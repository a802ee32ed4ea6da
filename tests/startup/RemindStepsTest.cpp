#include "Windows/Main/WindowCenter.h"
#include "Windows/Pins/PinScreens.h"
#include "platform/system/headless/HeadlessUserNotificationCenter.h"
#include "remind/RemindAction.h"
#include "remind/RemindSchedule.h"
#include "startup/StartupTestSupport.h"
#include "startup/WindowSteps.h"
#include "statusbar/VLStatusBar.h"
#include "think/Think.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/PopoverCenter.h"

namespace vl::test {
namespace {

using RemindStepsTest = StartupFixture;

TEST_F(RemindStepsTest, LaunchingFillsTheReminderPlaceAndArmsTheKeptReminders) {
  auto notices = std::make_shared<HeadlessUserNotificationCenter>();
  UserNotificationCenter::install(notices);
  // A reminder an earlier run kept, due in a minute.
  const std::string kept = home() + "/.vellisto/reminders.json";
  ASSERT_TRUE(files::createDirectories(home() + "/.vellisto"));
  const Json file = {{"reminders",
                      {{{"identifier", "vellisto-1"},
                        {"when", "今天下午3:00"},
                        {"text", "今天下午3点"},
                        {"date", Clock::current().now() + 60}}}}};
  ASSERT_TRUE(files::atomicWrite(kept, dumpJson(file)));

  StartupHooks hooks;
  installWindowSteps(hooks);
  AppDelegate::setHooks(hooks);
  startProgram();

  const std::vector<Action*> actions = Think::builtinActions();
  ASSERT_EQ(actions.size(), 21u);
  EXPECT_EQ(actions[12], &RemindAction::shared());
  EXPECT_EQ(RemindSchedule::shared().path(), kept);
  ASSERT_EQ(RemindSchedule::shared().pending().size(), 1u);
  // A second more: the manual wall clock sums every poll step and may lag the monotonic one a little.
  dispatch::MainLoop::advance(61 * 1000);
  EXPECT_TRUE(RemindSchedule::shared().pending().empty());
  ASSERT_EQ(notices->deliveredNotifications().size(), 1u);
  EXPECT_EQ(notices->deliveredNotifications()[0].title, "Reminder");

  stopProgram();
  RemindSchedule::shared().close();
  Think::setRemindAction(nullptr);
  UserNotificationCenter::install(nullptr);
  if (auto main = WindowCenter::shared().windowForKey(kMainWindowKey)) main->orderOut();
  WindowCenter::shared().resetForTesting();
  PopoverCenter::shared().resetForTesting();
  PanelCenter::shared().resetForTesting();
  PinScreens::resetForTesting();
  MainViewHooks::install({});
  VLStatusBar::setWindowActions({});
}

}  // namespace
}  // namespace vl::test
