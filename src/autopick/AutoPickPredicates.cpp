#include "autopick/AutoPickPredicates.h"

#include "autopick/AutoPickConfig.h"
#include "autopick/AutoPickNode.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Regex.h"

namespace vl {

namespace {

bool has(const Json& json, const char* key) { return json.is_object() && json.contains(key); }

}  // namespace

bool AutoPickPredicates::isImage(const Json& json) {
  return has(json, "image") || has(json, "image_relative") || has(json, "web_image") ||
         has(json, "forever_image");
}

bool AutoPickPredicates::isScreenshot(const Json& json) { return has(json, "screenshot"); }

bool AutoPickPredicates::isText(const Json& json) {
  return !isImage(json) && !has(json, "file") && !has(json, "app");
}

bool AutoPickPredicates::regexFinds(const std::optional<std::string>& pattern, std::string_view text) {
  if (!pattern) return false;
  RegexOptions options;
  options.caseInsensitive = true;
  options.timeLimitMs = AutoPickConfig::kRegexTimeLimitMs;
  auto regex = Regex::compile(*pattern, options);
  if (!regex) return false;
  bool timedOut = false;
  bool found = regex->firstMatch(text, 0, &timedOut).has_value();
  if (timedOut) {
    logWarningf("auto pick: expression \"%s\" ran out of time on a text of %zu bytes, taken as no match",
                pattern->c_str(), text.size());
    return false;
  }
  return found;
}

bool AutoPickPredicates::image(std::string_view, const Json& json, const Json&, const AutoPickNode&) {
  return isImage(json);
}

bool AutoPickPredicates::screenshot(std::string_view, const Json& json, const Json&, const AutoPickNode&) {
  return isScreenshot(json);
}

bool AutoPickPredicates::application(std::string_view, const Json&, const Json& extra,
                                     const AutoPickNode& node) {
  const auto& value = node.value();
  if (!value) return false;
  std::string appName = jsonString(extra, "app_name");
  // With no front application the name is empty, and a rule without chosen applications holds "";
  // neither names an application, so they must not match each other.
  if (appName.empty()) return false;
  std::string_view rest = *value;
  while (true) {
    auto comma = rest.find(',');
    if (rest.substr(0, comma) == appName) return true;
    if (comma == std::string_view::npos) return false;
    rest.remove_prefix(comma + 1);
  }
}

bool AutoPickPredicates::text(std::string_view, const Json& json, const Json&, const AutoPickNode&) {
  return isText(json);
}

bool AutoPickPredicates::textMatchedRegex(std::string_view text, const Json&, const Json&,
                                          const AutoPickNode& node) {
  return regexFinds(node.value(), text);
}

bool AutoPickPredicates::link(std::string_view text, const Json& json, const Json&, const AutoPickNode&) {
  return isText(json) && regexFinds(std::string(AutoPickConfig::kLinkPattern), text);
}

bool AutoPickPredicates::linkMatchedRegex(std::string_view text, const Json&, const Json&,
                                          const AutoPickNode& node) {
  return regexFinds(node.value(), text);
}

}  // namespace vl
