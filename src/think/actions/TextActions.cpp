#include "think/actions/TextActions.h"

#include "platform/foundation/Crypto.h"
#include "platform/foundation/Text.h"
#include "think/TextScan.h"

namespace vl {

// --- LenAction --------------------------------------------------------------------------------------------

LenAction& LenAction::shared() {
  static LenAction action;
  return action;
}

std::optional<std::string> LenAction::getLabel(const std::string& text, Json&) {
  return "Len: " + std::to_string(think::factsOf(text).length);
}

std::optional<ui::AttributedString> LenAction::getText(const std::string& text, Json&) {
  return defaultAttributedString(std::to_string(think::factsOf(text).length));
}

// --- Md5Action --------------------------------------------------------------------------------------------

Md5Action& Md5Action::shared() {
  static Md5Action action;
  return action;
}

std::optional<std::string> Md5Action::getLabel(const std::string&, Json&) { return "Md5"; }

std::optional<ui::AttributedString> Md5Action::getText(const std::string& text, Json&) {
  // Every byte counts: a NUL inside the text does not end it.
  return defaultAttributedString(md5Hex(text));
}

// --- UpperAction ------------------------------------------------------------------------------------------

UpperAction& UpperAction::shared() {
  static UpperAction action;
  return action;
}

std::string UpperAction::upperSnakeCase(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  bool afterLower = false;
  // Byte by byte: only ASCII letters change, and the bytes of any other character pass unchanged.
  for (char c : text) {
    if (c >= 'a' && c <= 'z') {
      out.push_back(static_cast<char>(c - 32));
      afterLower = true;
    } else if (c >= 'A' && c <= 'Z') {
      if (afterLower) out.push_back('_');
      afterLower = false;
      out.push_back(c);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::optional<std::string> UpperAction::getLabel(const std::string& text, Json&) {
  upperStr_ = upperSnakeCase(text);
  return upperStr_;
}

std::optional<ui::AttributedString> UpperAction::getText(const std::string&, Json& dict) {
  if (dict.is_object()) {
    dict.erase("custom_view");
    dict.erase("translate_words");
  }
  return defaultAttributedString(upperStr_);
}

// --- KAction ----------------------------------------------------------------------------------------------

KAction& KAction::shared() {
  static KAction action;
  return action;
}

bool KAction::matched(const FeatureSet& feats, const std::string& context) {
  return Action::matched(feats, context) && context.size() > 3 && endsWith(context, "000");
}

std::optional<std::string> KAction::getLabel(const std::string& text, Json&) {
  converted_ = text.size() > 3 ? text.substr(0, text.size() - 3) + "k" : text + "k";
  return converted_;
}

std::optional<ui::AttributedString> KAction::getText(const std::string&, Json&) {
  return defaultAttributedString(converted_);
}

}  // namespace vl
