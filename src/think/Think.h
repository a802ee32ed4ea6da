#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"
#include "think/Action.h"
#include "think/Features.h"

namespace vl {

// The smart-action engine of one thinking-bar refresh. It reads the search text and the selected
// record, finds their features once, and answers the actions whose features are present, in the
// built-in order. Short commands typed into the search field ("now", "mktb2,3", "delta", "10cm",
// "random5") are read from the search text, lowercased; otherwise the actions work on the record's text.
// Main thread only.
class Think {
 public:
  // `text` of `dump` is then the text the actions work on.
  static std::unique_ptr<Think> dump(const std::optional<std::string>& searchText,
                                     std::optional<std::string> selectedContext,
                                     const std::optional<Json>& selectedJsonDict);

  // The actions that fit, in the built-in order; the one NoneAction when none does. Never empty.
  std::vector<Action*> getActions() const;
  const FeatureSet& featsDict() const { return feats_; }
  const std::string& text() const {
    if (fromSearch_) return command_;
    return selectedContext_ ? *selectedContext_ : kNoText;
  }
  const std::optional<std::string>& selectedContext() const { return selectedContext_; }
  // The engine's copy of the record's json, which actions change to steer the preview.
  Json& selectedJsonDict() { return json_; }
  // Puts the preview keys ("custom_view", "translate_words") back as the record has them, so what an
  // earlier action wrote there never steers the preview of the next one.
  void resetPreviewKeys();
  // The action's preview text, after resetPreviewKeys.
  std::optional<ui::AttributedString> textOf(Action& action);

  // The built-in actions in their fixed order; the reminder's place is empty until one is installed.
  static std::vector<Action*> builtinActions();
  // The seam through which the reminders install their action into its place (the thirteenth);
  // nullptr empties the place again. The action must live for the rest of the run.
  static void setRemindAction(Action* action);
  static bool hasRemindAction();

 private:
  Think() = default;
  void addFeats(const std::optional<std::string>& searchText);
  void addTextFeats();

  static inline const std::string kNoText;

  FeatureSet feats_;
  // The text is the lowercased command typed into the search field, or else the record's text, which is
  // not copied twice: it may be megabytes.
  bool fromSearch_ = false;
  std::string command_;
  std::optional<std::string> selectedContext_;
  Json json_ = Json::object();
  Json recordPreviewKeys_ = Json::object();
};

}  // namespace vl
