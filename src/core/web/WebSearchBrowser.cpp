#include "core/web/WebSearchBrowser.h"

#include <set>

#include "core/VLConfig.h"
#include "core/apps/AppInstalledManager.h"
#include "platform/foundation/Log.h"
#include "platform/system/desktop/Workspace.h"

namespace vl {

Json WebSearchBrowser::browserList(const std::vector<DesktopEntryItem>& browsers) {
  Json list = Json::array({kDefaultBrowser});
  std::set<std::string> listed;
  for (const DesktopEntryItem& browser : browsers) {
    if (!browser.name.empty() && listed.insert(browser.name).second) list.push_back(browser.name);
  }
  return list;
}

std::string WebSearchBrowser::chosen() {
  const Json settings = VLConfig::shared().getValueOfKey(VLConfig::kWebSearch).value_or(Json());
  if (settings.is_object() && settings.contains("browser") && settings["browser"].is_string() &&
      !settings["browser"].get<std::string>().empty())
    return settings["browser"].get<std::string>();
  return kDefaultBrowser;
}

bool WebSearchBrowser::open(const std::string& url) {
  auto workspace = Workspace::shared();
  if (!workspace) return false;
  const std::string browser = chosen();
  if (browser != kDefaultBrowser) {
    const std::string entry = AppInstalledManager::shared().getAppPath(browser);
    if (!entry.empty()) return workspace->openURL(url, entry);
    logWarningf(
        "web search: the chosen browser \"%s\" is not installed; the desktop's browser opens the search",
        browser.c_str());
  }
  return workspace->openURL(url);
}

}  // namespace vl
