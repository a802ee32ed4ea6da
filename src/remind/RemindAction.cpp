#include "remind/RemindAction.h"

#include <cstdio>

#include "Windows/Main/WindowCenter.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/ui/text/Font.h"
#include "remind/RemindMainLoop.h"
#include "remind/RemindSchedule.h"
#include "think/ActionPaste.h"
#include "ui/alert/Alert.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {

namespace {

constexpr const char* kLabel = "Set reminder";
// Said instead of "Reminder set" when the reminder is not kept where a restart finds it.
constexpr const char* kNotSavedTitle = "Reminder set, but not saved";
constexpr const char* kNotSavedText =
    "\nIt could not be saved to disk: it shows only if Vellisto still runs then.";
constexpr const char* kNotSetTitle = "Reminder not set";
constexpr const char* kTooManyText = "\nToo many reminders are waiting already.";

// Nothing shows a notice now: the bar, still up, says the reminder waits for a notification service.
// With the bar gone there is nobody to tell; the log says it.
void sayNoServiceAnswers(const char* textKey) {
  ui::View* host = MainViewHooks::current().mainViewOrNull();
  if (!host || !WindowCenter::shared().windowAppear(kMainWindowKey)) return;
  Alert::ofTitle(
      localized(textKey), [] {}, nullptr)
      ->showWithEscape(host);
}

std::string identifierAt(double now) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "vellisto-%f", now);
  return buffer;
}

}  // namespace

RemindAction& RemindAction::shared() {
  static RemindAction action;
  return action;
}

bool RemindAction::matched(const FeatureSet& feats, const std::string& context) {
  if (!Action::matched(feats, context)) return false;
  std::optional<RemindResult> result = RemindMainLoop::get(context);
  if (!result || !result->getNotificationDate()) return false;
  remindResult_ = std::move(result);
  return true;
}

std::optional<std::string> RemindAction::getLabel(const std::string&, Json&) { return kLabel; }

std::optional<ui::AttributedString> RemindAction::getText(const std::string& text, Json&) {
  rawText_ = text;
  const std::string when = remindResult_ ? remindResult_->when() : std::string();
  ui::TextAttributes head;
  head.font = ui::Font::systemFont(24);
  ui::AttributedString string(std::string(kLabel) + "\n", head);
  ui::TextAttributes body;
  body.font = ui::Font::systemFont(14);
  string.append("when: " + when + "\ncontent:" + text, body);
  return string;
}

UserNotification RemindAction::notificationTitled(const char* title) const {
  UserNotification notice;
  notice.identifier = identifierAt(Clock::current().now());
  notice.title = title;
  notice.subtitle = remindResult_ ? remindResult_->when() : std::string();
  notice.informativeText = rawText_;
  return notice;
}

UserNotification RemindAction::reminderSetNotification() const { return notificationTitled("Reminder set"); }

UserNotification RemindAction::remindNotification() const { return notificationTitled("Reminder"); }

void RemindAction::doTask(const std::string&) {
  const std::optional<double> date = remindResult_ ? remindResult_->getNotificationDate() : std::nullopt;
  if (!date) {
    logWarningf("remind: the moment of a phrase of %zu bytes has passed; no reminder set", rawText_.size());
    return;
  }
  UserNotification remind = remindNotification();
  RemindSchedule& schedule = schedule_ ? *schedule_ : RemindSchedule::shared();
  const RemindSchedule::Added added =
      schedule.add({remind.identifier, remind.subtitle, remind.informativeText, *date});
  UserNotification said = reminderSetNotification();
  switch (added.keeping) {
    case RemindSchedule::Keeping::Saved:
      break;
    case RemindSchedule::Keeping::ThisRunOnly:
      // Told as it is: "Reminder set" would promise what a restart takes away.
      said.title = kNotSavedTitle;
      said.informativeText += kNotSavedText;
      break;
    case RemindSchedule::Keeping::Refused:
      said.title = kNotSetTitle;
      said.informativeText += kTooManyText;
      break;
  }
  if (!added.identifier.empty()) said.identifier = added.identifier;
  auto center = UserNotificationCenter::defaultCenter();
  const bool answers = center->serviceAnswers();
  // "Reminder set" as a notice would reach nobody, and so would the reminder when due.
  if (answers || added.keeping == RemindSchedule::Keeping::Refused) center->deliverNotification(said);
  if (added.keeping == RemindSchedule::Keeping::Refused) return;
  logDebugf("remind: a reminder of %zu bytes set for %.0f s from now", rawText_.size(),
            *date - Clock::current().now());
  if (!answers) {
    logWarningf("remind: reminder %s set while no notification service answers; the user is told",
                added.identifier.c_str());
    sayNoServiceAnswers(added.keeping == RemindSchedule::Keeping::Saved
                            ? "remind.noNotificationService"
                            : "remind.noNotificationService.notSaved");
    return;
  }
  dismissMainWindow();
}

}  // namespace vl
