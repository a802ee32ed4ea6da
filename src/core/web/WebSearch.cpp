#include "core/web/WebSearch.h"

#include "core/VLConfig.h"
#include "platform/foundation/ServiceHosts.h"
#include "platform/foundation/Url.h"

namespace vl {

const std::vector<WebSearchEngine>& webSearchEngines() {
  static const std::vector<WebSearchEngine> engines = {
      {"Google", "google", "https://www.google.com", "/search", "q"},
      {"Baidu", "baidu", "https://www.baidu.com", "/s", "wd"},
      {"Bing", "bing", "https://www.bing.com", "/search", "q"},
      {"DuckDuckGo", "duckduckgo", "https://duckduckgo.com", "/", "q"},
  };
  return engines;
}

const WebSearchEngine& webSearchEngine(std::string_view name) {
  for (const WebSearchEngine& engine : webSearchEngines()) {
    if (name == engine.name) return engine;
  }
  return webSearchEngines().front();
}

std::string configuredWebSearchEngine() {
  const Json settings = VLConfig::shared().getValueOfKey(VLConfig::kWebSearch).value_or(Json::object());
  if (settings.is_object()) {
    auto it = settings.find("engine");
    if (it != settings.end() && it->is_string()) return it->get<std::string>();
  }
  return webSearchEngines().front().name;
}

std::string escapeSearchText(std::string_view text) {
  return percentEncode(text, PercentSet::QueryComponent);
}

std::string webSearchURL(std::string_view engineName, std::string_view text) {
  const WebSearchEngine& engine = webSearchEngine(engineName);
  return serviceBaseURL(engine.service, engine.defaultBase) + engine.path + "?" + engine.queryKey + "=" +
         escapeSearchText(text);
}

}  // namespace vl
