#pragma once

#include <string>

namespace vl {

// The text of a localisation key from the string table <resources>/strings/<language>.json (a JSON
// object of key -> text; English, "en", unless setLanguage chose another that exists). A key without an
// entry, or no table at all, gives the key itself, so a missing text shows up visibly instead of blank.
std::string localized(const std::string& key);
// A key whose text takes printf arguments, e.g. localizedFormat("sync.deliver.device.connected", name).
// Only "%@" and "%s" are replaced, in order, by the given texts; "%%" gives "%".
std::string localizedFormat(const std::string& key, const std::string& arg1);
std::string localizedFormat(const std::string& key, const std::string& arg1, const std::string& arg2);

// Reload after the resource folder changed (tests).
void reloadStringTableForTesting();

}  // namespace vl
