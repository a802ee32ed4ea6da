#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"
#include "platform/ui/text/AttributedString.h"
#include "think/Features.h"

namespace vl {

// One smart action: the features it needs, the label on its button, the text it previews and hands to
// its task, and the task. Every action is a process-wide object (`shared()`) that keeps what it computed
// for its last label, so the text and the task reuse the very value the button showed; the thinking bar
// therefore asks for the label first, then the text, then runs the task. `text` is the engine's text and
// `dict` the engine's copy of the record's json, which an action may change to steer the preview (the
// stored record is never touched). Main thread only.
class Action {
 public:
  virtual ~Action() = default;
  Action(const Action&) = delete;
  Action& operator=(const Action&) = delete;

  // The class name, for logs and tests.
  virtual const char* name() const = 0;
  // The features that must all be present; none means the action is never offered by this rule.
  virtual std::vector<int> getReqiuredFeats() const { return {}; }
  // The required features are all present (subclasses add tests of their own on the context).
  virtual bool matched(const FeatureSet& feats, const std::string& context);
  virtual std::optional<std::string> getLabel(const std::string& text, Json& dict);
  virtual std::optional<ui::AttributedString> getText(const std::string& text, Json& dict);
  // Pastes the text into the window the user came from.
  virtual void doTask(const std::string& text);

  // The text in the main font and the theme's normal text colour.
  static ui::AttributedString defaultAttributedString(const std::string& text);

 protected:
  Action() = default;
};

// What the bar offers when nothing fits: a button that says so and does nothing.
class NoneAction final : public Action {
 public:
  static NoneAction& shared();
  const char* name() const override { return "NoneAction"; }
  bool matched(const FeatureSet&, const std::string&) override { return true; }
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;
  // Nothing: its own words must never replace what the user has on the clipboard.
  void doTask(const std::string&) override {}
};

// The text a json holds under `key`; "" when it holds none.
std::string jsonString(const Json& dict, const char* key);

}  // namespace vl
