#pragma once

#include <optional>
#include <string>

#include "platform/system/UserNotificationCenter.h"
#include "remind/RemindResult.h"
#include "think/Action.h"

namespace vl {

class RemindSchedule;

// "Set reminder" for a short text that names a moment to come ("明天下午3点开会"): running it keeps the
// reminder, says "Reminder set" with its moment, and the "Reminder" notice follows at that moment.
class RemindAction final : public Action {
 public:
  static RemindAction& shared();
  const char* name() const override { return "RemindAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kShort}; }
  // Offered only for a phrase whose moment is still to come; the phrase's reading is kept for the task.
  bool matched(const FeatureSet& feats, const std::string& context) override;
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;
  // The moment is read again first: one that has passed by now says nothing and sets nothing.
  void doTask(const std::string& text) override;

  // The notices of a reminder set now (identifier "vellisto-<now>").
  UserNotification reminderSetNotification() const;
  UserNotification remindNotification() const;

  // Where the task keeps reminders; the program's schedule unless a test gives another (nullptr restores).
  void setSchedule(RemindSchedule* schedule) { schedule_ = schedule; }
  const std::optional<RemindResult>& remindResult() const { return remindResult_; }

 private:
  RemindAction() = default;
  UserNotification notificationTitled(const char* title) const;

  std::optional<RemindResult> remindResult_;
  std::string rawText_;
  RemindSchedule* schedule_ = nullptr;
};

}  // namespace vl
