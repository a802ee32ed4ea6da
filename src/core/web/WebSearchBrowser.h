#pragma once

#include <string>
#include <vector>

#include "core/apps/DesktopEntryQuery.h"
#include "platform/foundation/Json.h"

namespace vl {

// The browser a web search opens: settings key 104's "browser", either "Default browser" (the desktop's
// own handler for web links) or the desktop entry id of an installed browser ("firefox-esr").
class WebSearchBrowser {
 public:
  static constexpr const char* kDefaultBrowser = "Default browser";

  // What the General pane offers: "Default browser", then each browser's entry id in the order given,
  // each once.
  static Json browserList(const std::vector<DesktopEntryItem>& browsers);
  // The stored choice; "Default browser" when there is none.
  static std::string chosen();
  // Opens the URL in the chosen browser; the desktop's handler opens it for "Default browser" and for a
  // browser no longer installed. False when nothing could be started.
  [[nodiscard]] static bool open(const std::string& url);
};

}  // namespace vl
