#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
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
  // Buttons on the notice: (action key, label). A click on the notice itself is the action "default".
  std::vector<std::pair<std::string, std::string>> actions;
  bool operator==(const UserNotification&) const = default;
};

// The desktop's notification service. A backend is installed once at start; headless by default.
class UserNotificationCenter {
 public:
  virtual ~UserNotificationCenter() = default;

  static std::shared_ptr<UserNotificationCenter> defaultCenter();
  // nullptr goes back to a fresh headless centre.
  static void install(std::shared_ptr<UserNotificationCenter> backend);

  // Told on the main queue when the user clicks a notice ("default") or one of its buttons (the
  // button's action key), with the notice's identifier. One handler per process; nullptr removes it.
  using ActivationHandler = std::function<void(const std::string& identifier, const std::string& action)>;
  static void setActivationHandler(ActivationHandler handler);
  // Backends call this on the main thread.
  static void notifyActivation(const std::string& identifier, const std::string& action);

  // Shows the notice now.
  virtual void deliverNotification(const UserNotification& notification) = 0;
  // Shows the notice at its deliveryDate by vl::Clock; a date already past (or unset) delivers at once.
  // Scheduling again with the same identifier replaces the pending notice.
  virtual void scheduleNotification(const UserNotification& notification) = 0;
  virtual void removeScheduledNotification(const std::string& identifier) = 0;
  virtual std::vector<UserNotification> scheduledNotifications() const = 0;

  // Whether a notice delivered now reaches someone who shows it: false while no notification service
  // answers. A quick look at what the backend already knows, never a long wait on the desktop.
  virtual bool serviceAnswers() const { return true; }
  // Posted on the default NotificationCenter, on the main thread, when a service answers again after
  // serviceAnswers() was false, so what waited for one can be shown.
  static constexpr const char* kServiceAnswersNotification = "VLUserNotificationServiceAnswers";
};

}  // namespace vl
