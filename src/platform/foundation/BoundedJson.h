#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Json.h"

namespace vl {

// Parses JSON text that may be hostile: text longer than `maxBytes`, or arrays and objects nested more
// than `maxDepth` levels (the outermost value counts as level 1), are refused before anything is built,
// so neither time nor memory grows past what the bounds allow. nullopt and a reason in `error` (when
// given) for refused or bad text; nothing is logged, the caller knows what the text was.
std::optional<Json> parseJsonBounded(std::string_view text, int maxDepth, std::size_t maxBytes,
                                     std::string* error = nullptr);

// Deepest nesting of arrays and objects in `text`, outside strings, counting no further than
// `stopAbove` + 1. Linear and without allocation; meaningful for JSON text only.
int jsonNestingDepth(std::string_view text, int stopAbove);

}  // namespace vl
