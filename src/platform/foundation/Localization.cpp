#include "platform/foundation/Localization.h"

#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/foundation/Files.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Resources.h"

namespace vl {

namespace {

struct StringTable {
  std::mutex mutex;
  std::string language = "en";
  std::optional<std::unordered_map<std::string, std::string>> entries;
};

StringTable& table() {
  static StringTable* t = new StringTable();
  return *t;
}

std::unordered_map<std::string, std::string> loadTable(const std::string& language) {
  std::unordered_map<std::string, std::string> entries;
  std::string path = resourcePath("strings/" + language + ".json");
  if (path.empty()) return entries;
  if (!files::exists(path) && language != "en") {
    logWarningf("strings: no table for \"%s\"; using English", language.c_str());
    path = resourcePath("strings/en.json");
  }
  std::optional<std::string> text = files::readFile(path);
  if (!text) {
    logWarningf("strings: cannot read %s; keys are shown as they are", path.c_str());
    return entries;
  }
  std::optional<Json> json = parseJson(*text, path);
  if (!json || !json->is_object()) {
    if (json) logWarningf("strings: %s is not a JSON object; keys are shown as they are", path.c_str());
    return entries;
  }
  for (auto it = json->begin(); it != json->end(); ++it) {
    if (it->is_string())
      entries.emplace(it.key(), it->get<std::string>());
    else
      logWarningf("strings: entry \"%s\" in %s is not a text; ignored", it.key().c_str(), path.c_str());
  }
  return entries;
}

std::string fill(const std::string& format, const std::string* args, std::size_t count) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      char c = format[i + 1];
      if (c == '%') {
        out.push_back('%');
        ++i;
        continue;
      }
      if ((c == '@' || c == 's') && next < count) {
        out += args[next++];
        ++i;
        continue;
      }
    }
    out.push_back(format[i]);
  }
  return out;
}

}  // namespace

std::string localized(const std::string& key) {
  StringTable& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (!t.entries) t.entries = loadTable(t.language);
  auto it = t.entries->find(key);
  return it == t.entries->end() ? key : it->second;
}

std::string localizedFormat(const std::string& key, const std::string& arg1) {
  return fill(localized(key), &arg1, 1);
}

std::string localizedFormat(const std::string& key, const std::string& arg1, const std::string& arg2) {
  const std::string args[] = {arg1, arg2};
  return fill(localized(key), args, 2);
}

void setLanguage(const std::string& language) {
  StringTable& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.language = language.empty() ? "en" : language;
  t.entries.reset();
}

void reloadStringTableForTesting() {
  StringTable& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.entries.reset();
}

}  // namespace vl
