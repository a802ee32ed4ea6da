#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vl {

// A notice shown by the desktop outside the program's windows.
struct UserNotification {
  std::string identifier;
  std::string title;
  std::string subtitle;
  std::string informativeText;
  // Seconds since 1970 (vl::Clock) when a scheduled notice is due; unset for immediate ones.
  std::optional<double> deliveryDate;
  bool operator==(const UserNotification&) const = default;
};

// The desktop's notification service. A backend is installed once at start; headless by default.
class UserNotificationCenter {
 public:
  virtual ~UserNotificationCenter() = default;

  static std::shared_ptr<UserNotificationCenter> defaultCenter();
  // nullptr goes back to a fresh headless centre.
  static void install(std::shared_ptr<UserNotificationCenter> backend);

  // Shows the notice now.
  virtual void deliverNotification(const UserNotification& notification) = 0;
  // Shows the notice at its deliveryDate by vl::Clock; a date already past (or unset) delivers at once.
  // Scheduling again with the same identifier replaces the pending notice.
  virtual void scheduleNotification(const UserNotification& notification) = 0;
  virtual void removeScheduledNotification(const std::string& identifier) = 0;
  virtual std::vector<UserNotification> scheduledNotifications() const = 0;
};

}  // namespace vl
