#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace vl {

// Every dictionary that crosses components (settings values, plain-data notification info, sync
// dictionaries, archives) is one of these.
using Json = nlohmann::json;

// Parses JSON text. Bad text gives nullopt and one log line naming `what` (a file name, a peer),
// so callers never see an exception from the parser.
std::optional<Json> parseJson(std::string_view text, std::string_view what = "json");

// Serialises without throwing: invalid UTF-8 inside strings is replaced rather than aborting the dump.
// indent < 0 gives the compact form.
std::string dumpJson(const Json& value, int indent = -1);

// Typed reads that answer the fallback instead of throwing when the key is missing or of another type.
// Numbers read as booleans (non-zero is true) and booleans as integers, as stored settings expect.
std::optional<Json> jsonMember(const Json& object, std::string_view key);
std::string jsonString(const Json& object, std::string_view key, std::string fallback = {});
long long jsonInteger(const Json& object, std::string_view key, long long fallback = 0);
double jsonDouble(const Json& object, std::string_view key, double fallback = 0);
bool jsonBool(const Json& object, std::string_view key, bool fallback = false);

}  // namespace vl
