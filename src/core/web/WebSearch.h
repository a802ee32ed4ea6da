#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vl {

// The web search that the search row's preview and the search field's own search both run: the results
// page of the engine chosen in the settings (key 104, "engine") for a text. The hosts are public
// defaults that serviceBaseURL lets a services file replace (the engine's `service` name is the key).
struct WebSearchEngine {
  const char* name;         // as the settings store it: "Google", "Baidu", "Bing", "DuckDuckGo"
  const char* service;      // its key in the services file: "google", ...
  const char* defaultBase;  // "https://www.google.com"
  const char* path;         // "/search"
  const char* queryKey;     // "q"
};

// Google first: what an unknown name falls back to.
const std::vector<WebSearchEngine>& webSearchEngines();
// The engine of that name, else the first.
const WebSearchEngine& webSearchEngine(std::string_view name);
// The engine named in the settings now; the first when the setting is missing or not text.
std::string configuredWebSearchEngine();

// The search text as one query value: everything but letters, digits and "-._~" is escaped as UTF-8
// %XX, so "&", "=", "#" and "+" stay part of the text instead of ending or changing the query.
std::string escapeSearchText(std::string_view text);
// The results page of the engine for the text: base, path, "?", query key, "=", the escaped text.
std::string webSearchURL(std::string_view engineName, std::string_view text);

}  // namespace vl
