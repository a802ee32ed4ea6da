#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Windows/Main/preview/CustomView.h"
#include "lookup/WebUnavailableView.h"
#include "lookup/WebViewToolbar.h"
#include "platform/system/web/WebView.h"

namespace vl {

// What the embedded web views tell the sites they visit: a phone's browser, whose pages fit the narrow
// preview and the help window.
inline constexpr const char* kEmbeddedWebUserAgent =
    "Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/86.0.4240.183 Mobile Safari/537.3";

// The preview of the search row: the results page of the engine chosen in the settings for the typed
// text, under a back, forward and home bar. Each selection of the row loads the page again. When pages
// cannot be shown here (no web view helper), a line says so and a button opens the page in the browser.
class EmbededWebview : public CustomView {
 public:
  static constexpr const char* kClassName = "EmbededWebview";

  static std::shared_ptr<EmbededWebview> create(const ui::Rect& frame);
  explicit EmbededWebview(const ui::Rect& frame);

  // Loads the results page for json "search_context"; the record text is not used.
  void setJsonData(const std::optional<Json>& json, const std::string& context) override;
  // Off while a panel covers the preview: the page lies over everything drawn here and would hide it.
  void setSelection(bool selection) override;
  // The results page of the configured engine for the text.
  static std::string getHomeURL(const std::string& text);

  const std::shared_ptr<WebViewToolbar>& webViewToolbar() const { return webViewToolbar_; }
  const std::shared_ptr<WebView>& webView() const { return webView_; }
  // Shown instead of the page when pages cannot be shown here.
  const std::shared_ptr<WebUnavailableView>& unavailableView() const { return unavailableView_; }
  bool offersBrowser() const { return !unavailableView_->isHidden(); }

 private:
  void build();
  void showAvailability(bool available);

  std::shared_ptr<WebViewToolbar> webViewToolbar_;
  std::shared_ptr<WebView> webView_;
  std::shared_ptr<WebUnavailableView> unavailableView_;
};

// Makes the web search view and the dictionary view preview classes that a record's json can name
// ("EmbededWebview", "TranslateView").
void installLookupViews();

}  // namespace vl
