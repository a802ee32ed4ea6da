#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Json.h"

namespace vl {

class AutoPickNode;

// The tests behind the seven rule kinds. Each is stateless and safe on any thread: the capture queue
// evaluates every tab's rules while the editor works on copies on the main thread.
struct AutoPickPredicates {
  static bool image(std::string_view text, const Json& json, const Json& extra, const AutoPickNode& node);
  static bool screenshot(std::string_view text, const Json& json, const Json& extra,
                         const AutoPickNode& node);
  static bool application(std::string_view text, const Json& json, const Json& extra,
                          const AutoPickNode& node);
  static bool text(std::string_view text, const Json& json, const Json& extra, const AutoPickNode& node);
  static bool textMatchedRegex(std::string_view text, const Json& json, const Json& extra,
                               const AutoPickNode& node);
  static bool link(std::string_view text, const Json& json, const Json& extra, const AutoPickNode& node);
  static bool linkMatchedRegex(std::string_view text, const Json& json, const Json& extra,
                               const AutoPickNode& node);

  // Record kinds read from a record's json (a json that is not an object counts as empty). These mirror
  // the record store's kind tests so the rules can be evaluated without it.
  static bool isImage(const Json& json);
  static bool isScreenshot(const Json& json);
  static bool isText(const Json& json);

  // Whether the expression, compiled case-insensitively, matches anywhere in the text. An expression
  // that is missing, does not compile or runs out of its time limit finds nothing.
  static bool regexFinds(const std::optional<std::string>& pattern, std::string_view text);
};

}  // namespace vl
