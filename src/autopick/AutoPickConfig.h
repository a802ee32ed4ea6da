#pragma once

#include <cstdint>
#include <string_view>

#include "platform/foundation/Json.h"

namespace vl {

class AutoPickNode;

// A rule's test: the record's plain text, the record's json (null when it has none), the extra
// dictionary of the capture road ({"app_name": front application}) and the node with the user's value.
using AutoPickPredicate = bool (*)(std::string_view text, const Json& json, const Json& extra,
                                   const AutoPickNode& node);

// The seven rule kinds: their tree descriptors and their predicates.
class AutoPickConfig {
 public:
  static constexpr const char* kImage = "image";
  static constexpr const char* kScreenshot = "screenshot";
  static constexpr const char* kApplication = "application";
  static constexpr const char* kText = "text";
  static constexpr const char* kTextMatchedRegex = "text_matched_regex";
  static constexpr const char* kLink = "link";
  static constexpr const char* kLinkMatchedRegex = "link_matched_regex";

  static constexpr const char* kApplicationValueView = "AutoPickApplicationValueView";
  static constexpr const char* kRegexValueView = "AutoPickRegexValueView";

  // Matched case-insensitively; "^" ties it to the start of the text, so the text must begin with the link.
  static constexpr const char* kLinkPattern =
      "^(https?|ftp|file)://[-A-Za-z0-9+&@#/%?=~_|!:,.;]+[-A-Za-z0-9+&@#/%=~_|]";

  // A user's expression runs on the capture queue for every new record and every tab; an expression
  // that backtracks without end would stall capture, so each search is cut off after this much matching
  // work and then counts as no match.
  static constexpr std::int32_t kRegexTimeLimitMs = 100;

  // Tree descriptors of the four built-in trees, texts localised at the time of the call.
  static Json IMAGE_DESCRIPTOR();
  static Json SPECIFY_APPLICATION_DESCRIPTOR();
  static Json TEXT_DESCRIPTOR();
  static Json LINK_DESCRIPTOR();

  // The predicate of the node's identifier; nullptr for an identifier that names no rule kind.
  static AutoPickPredicate getActionOfNode(const AutoPickNode& node);
  static AutoPickPredicate actionOfIdentifier(std::string_view identifier);
  static bool isKnownIdentifier(std::string_view identifier);
};

}  // namespace vl
