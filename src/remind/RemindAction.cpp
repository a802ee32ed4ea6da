#include "remind/RemindAction.h"

#include <cstdio>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/ui/text/Font.h"
#include "remind/RemindMainLoop.h"
#include "remind/RemindSchedule.h"
#include "think/ActionPaste.h"

namespace vl {

namespace {

constexpr const char* kLabel = "Set reminder";

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
    logf("remind: the moment of a phrase of %zu bytes has passed; no reminder set", rawText_.size());
    return;
  }
  UserNotification remind = remindNotification();
  RemindSchedule& schedule = schedule_ ? *schedule_ : RemindSchedule::shared();
  const std::string identifier =
      schedule.add({remind.identifier, remind.subtitle, remind.informativeText, *date});
  if (identifier.empty()) return;
  UserNotification set = reminderSetNotification();
  set.identifier = identifier;
  UserNotificationCenter::defaultCenter()->deliverNotification(set);
  logf("remind: a reminder of %zu bytes set for %.0f s from now", rawText_.size(),
       *date - Clock::current().now());
  dismissMainWindow();
}

}  // namespace vl
