#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Json.h"

namespace vl {

// Bounds for a theme file, checked while it is read: a shipped theme is a few kilobytes and a few levels
// deep, so a file beyond either is hostile or broken and is refused before it costs time or memory.
constexpr std::size_t kMaxYamlBytes = 1u << 20;
constexpr int kMaxYamlDepth = 64;              // nested sequences and mappings
constexpr std::size_t kMaxYamlNodes = 200000;  // scalars and collections, aliases counted as expanded

// Reads the first document of a YAML text into plain values: every scalar becomes text (theme files
// decide themselves how to read "main"), sequences become arrays and mappings objects (a later
// duplicate key wins; a non-scalar key is dropped). Aliases are expanded, within the bounds above,
// so a hostile file can neither nest nor multiply without bound. nullopt and a reason in `error` when
// the text is not YAML or breaks a bound; an empty document gives null.
std::optional<Json> parseYamlDocument(std::string_view text, std::string* error = nullptr);

}  // namespace vl
