#include "think/Action.h"

#include "theme/VLFont.h"
#include "theme/VLThemeAttributedString.h"
#include "think/ActionPaste.h"

namespace vl {

namespace {

constexpr const char* kNoPrediction = "No predict action";

}  // namespace

bool Action::matched(const FeatureSet& feats, const std::string&) {
  const std::vector<int> required = getReqiuredFeats();
  if (required.empty()) return false;
  for (int n : required) {
    if (!feats.has(n)) return false;
  }
  return true;
}

std::optional<std::string> Action::getLabel(const std::string&, Json&) { return std::nullopt; }

std::optional<ui::AttributedString> Action::getText(const std::string&, Json&) { return std::nullopt; }

void Action::doTask(const std::string& text) { pasteActionResult(text); }

ui::AttributedString Action::defaultAttributedString(const std::string& text) {
  ui::TextAttributes attributes;
  attributes.font = VLFont::mainFont();
  ui::AttributedString string(text, attributes);
  addAttribute(string, ui::TextAttribute::ForegroundColor, "fontNormalColor", Range(0, string.length()));
  return string;
}

NoneAction& NoneAction::shared() {
  static NoneAction action;
  return action;
}

std::optional<std::string> NoneAction::getLabel(const std::string&, Json&) { return kNoPrediction; }

std::optional<ui::AttributedString> NoneAction::getText(const std::string&, Json&) {
  return defaultAttributedString(kNoPrediction);
}

std::string jsonString(const Json& dict, const char* key) {
  if (!dict.is_object()) return {};
  auto it = dict.find(key);
  return it != dict.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace vl
