#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Mutex.h"
#include "platform/system/UserNotificationCenter.h"

namespace vl::dbus {

class BusConnection;

// Notices through the desktop's notification server (org.freedesktop.Notifications): Notify on the bus
// thread, a notice with the identifier of one still shown replacing it; ActionInvoked comes back to the
// main queue as UserNotificationCenter::notifyActivation. Scheduled notices wait on the main queue by
// vl::Clock, as in the headless centre. When the bus is lost a headless centre that says no service
// answers is installed in its place.
//
// Whether a server answers is followed on the bus thread: the server's name has an owner
// (NameHasOwner at start, then NameOwnerChanged), or the bus can start one and the last Notify did not
// fail. serviceAnswers() reads what is known, waiting at most kFirstAnswerWaitMs for the bus's first
// word on it.
class DBusUserNotificationCenter final : public UserNotificationCenter,
                                         public std::enable_shared_from_this<DBusUserNotificationCenter> {
 public:
  static std::shared_ptr<DBusUserNotificationCenter> install(const std::shared_ptr<BusConnection>& bus);
  explicit DBusUserNotificationCenter(std::shared_ptr<BusConnection> bus);
  ~DBusUserNotificationCenter() override;

  void deliverNotification(const UserNotification& notification) override;
  void scheduleNotification(const UserNotification& notification) override;
  void removeScheduledNotification(const std::string& identifier) override;
  std::vector<UserNotification> scheduledNotifications() const override;
  bool serviceAnswers() const override;

  // Long enough for a bus that answers at all; a bus slower than that is taken to have a server, as
  // before anything was known.
  static constexpr int kFirstAnswerWaitMs = 500;

 private:
  struct BusSide;
  struct Presence;
  struct Pending {
    Mutex mutex;
    std::map<std::string, std::pair<UserNotification, std::shared_ptr<dispatch::DelayedBlock>>> notices
        VL_GUARDED_BY(mutex);
  };

  std::shared_ptr<BusConnection> bus_;
  std::weak_ptr<BusSide> busSide_;  // locked on the bus thread only
  std::shared_ptr<Presence> presence_;
  std::shared_ptr<Pending> pending_;
};

// The body text of a notice: subtitle and informative text on lines of their own, with the characters
// that servers read as markup escaped.
std::string noticeBody(const UserNotification& notification);

}  // namespace vl::dbus
