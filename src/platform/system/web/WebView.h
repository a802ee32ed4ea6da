#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/view/NativeSurfaceView.h"

namespace vl {

class WebEngine;
class WebView;

// Hears how a web view's navigations end; every method is optional. Held weakly.
class WebViewNavigationDelegate {
 public:
  virtual ~WebViewNavigationDelegate() = default;
  // A page finished loading (going back and forward included); canGoBack and canGoForward are current.
  virtual void webViewDidFinishNavigation(WebView& /*view*/) {}
  // A page failed to load; the engine shows what it shows for that.
  virtual void webViewDidFailNavigation(WebView& /*view*/, const std::string& /*error*/) {}
};

// A web page in a view. The installed WebEngine draws it: the headless twin in unit tests and without a
// display, the web view helper (WebHelperClient) on the desktop, where the page lives in the native
// surface this view is. Navigation is asynchronous: results come back on the main thread through the
// navigation delegate. When the engine cannot show pages (no helper, or it failed again after its one
// restart) the view says so through available() and the availability handler, so its owner can offer
// the browser instead. Main thread only.
class WebView : public ui::NativeSurfaceView {
 public:
  // With the installed engine.
  static std::shared_ptr<WebView> create(const ui::Rect& frame);
  WebView(const ui::Rect& frame, std::shared_ptr<WebEngine> engine);
  ~WebView() override;

  void loadURL(const std::string& url);
  void goBack();
  void goForward();
  void reload();
  bool canGoBack() const { return canGoBack_; }
  bool canGoForward() const { return canGoForward_; }
  // The last page that finished loading ("" before the first); the one asked for last.
  const std::string& URL() const { return url_; }
  void setCustomUserAgent(const std::string& agent);

  void setNavigationDelegate(const std::shared_ptr<WebViewNavigationDelegate>& delegate) {
    delegate_ = delegate;
  }
  bool available() const { return available_; }
  void setAvailabilityHandler(std::function<void(bool available)> handler) {
    availability_ = std::move(handler);
  }

  // --- for the engine, on the main thread -------------------------------------------------------------
  void engineDidFinish(const std::string& url, bool canGoBack, bool canGoForward);
  void engineDidFail(const std::string& error);
  // The page's process ended: the page is loaded again once; a second end before a page finished is
  // reported as a failure.
  void engineDidCrash();
  void engineAvailabilityChanged(bool available);
  WebEngine& engine() const { return *engine_; }

  void setFrameSize(ui::Size size) override;
  void nativeWindowDidChange() override;

 private:
  std::shared_ptr<WebEngine> engine_;
  std::weak_ptr<WebViewNavigationDelegate> delegate_;
  std::function<void(bool)> availability_;
  std::string url_;
  std::string requested_;
  std::string agent_;
  bool canGoBack_ = false;
  bool canGoForward_ = false;
  bool available_ = true;
  bool reloadedAfterCrash_ = false;
  bool attached_ = false;
};

}  // namespace vl
