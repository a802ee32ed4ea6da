#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Json.h"

namespace vl {

// Reads the first document of a YAML text into plain values: every scalar becomes text (theme files
// decide themselves how to read "main"), sequences become arrays and mappings objects (a later
// duplicate key wins; a non-scalar key is dropped). Aliases are expanded, within limits that keep a
// hostile file from nesting or multiplying without bound. nullopt and a reason in `error` when the text
// is not YAML or breaks a limit; an empty document gives null.
std::optional<Json> parseYamlDocument(std::string_view text, std::string* error = nullptr);

}  // namespace vl
