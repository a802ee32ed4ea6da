#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/system/UserNotificationCenter.h"

namespace vl {

// Records notices instead of showing them. Scheduled notices wait on a delayed block of the main queue,
// so under a ManualClock they arrive when MainLoop::advance passes their date.
class HeadlessUserNotificationCenter final : public UserNotificationCenter {
 public:
  HeadlessUserNotificationCenter();
  ~HeadlessUserNotificationCenter() override;

  void deliverNotification(const UserNotification& notification) override;
  void scheduleNotification(const UserNotification& notification) override;
  void removeScheduledNotification(const std::string& identifier) override;
  std::vector<UserNotification> scheduledNotifications() const override;
  bool serviceAnswers() const override;
  // Whether it stands for a desktop whose notification service answers (it does unless told): the
  // program installs one that does not where it finds no session bus. Set on the main thread; false to
  // true posts kServiceAnswersNotification.
  void setServiceAnswers(bool answers);

  // Every notice shown so far, oldest first.
  std::vector<UserNotification> deliveredNotifications() const;

 private:
  // Shared with the delayed blocks so a block that fires after the centre is gone finds nothing to do.
  struct State {
    std::mutex mutex;
    std::vector<UserNotification> delivered;
    bool answers = true;
    std::map<std::string, std::pair<UserNotification, std::shared_ptr<dispatch::DelayedBlock>>> pending;
  };
  std::shared_ptr<State> state_;
};

}  // namespace vl
