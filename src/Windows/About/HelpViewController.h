#pragma once

#include <memory>
#include <string>

#include "lookup/WebUnavailableView.h"
#include "lookup/WebViewToolbar.h"
#include "platform/system/web/WebView.h"
#include "theme/VLThemeObject.h"
#include "ui/tabbar/VLViewController.h"
#include "ui/view/ThemeView.h"

namespace vl {

class HelpWindow;

// The Help window's content view: the window's background colour, drawn by itself.
class HelpView : public ThemeView {
 public:
  using ThemeView::ThemeView;
};

// The manual in a web view under the back, forward and home bar. Home is the manual's first page,
// loaded from the installed resources (resources/help/index.html), so Help works offline; each showing
// of the window loads it again, while back and forward keep the pages seen. Without the web view helper
// a line says so and a button opens the manual in the browser.
class HelpViewController : public VLViewController, public VLThemeObject {
 public:
  void setWindow(HelpWindow* window) { window_ = window; }
  HelpWindow* window() const { return window_; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear() override;

  // The manual's first page as a file address; "" when the resources hold none.
  static std::string manualHomeURL();

  const std::shared_ptr<WebViewToolbar>& webViewToolbar() const { return webViewToolbar_; }
  const std::shared_ptr<WebView>& webView() const { return webView_; }
  const std::shared_ptr<WebUnavailableView>& unavailableView() const { return unavailableView_; }

 private:
  void showAvailability(bool available);

  HelpWindow* window_ = nullptr;
  std::shared_ptr<WebViewToolbar> webViewToolbar_;
  std::shared_ptr<WebView> webView_;
  std::shared_ptr<WebUnavailableView> unavailableView_;
};

}  // namespace vl
