#pragma once

#include <memory>
#include <string>

#include "platform/system/web/WebView.h"
#include "ui/controls/Button2.h"
#include "ui/view/ThemeView.h"

namespace vl {

// The small bar over a web view: back, forward and home. It is the web view's navigation delegate:
// back and forward follow what the page can do after each finished navigation (both disabled until the
// first); home always loads homeURL. Serves the preview's web search and the help window. Main thread.
class WebViewToolbar : public ThemeView, public WebViewNavigationDelegate {
 public:
  static constexpr double kHeight = 38;
  static constexpr double kButtonSide = 25;

  static std::shared_ptr<WebViewToolbar> create(const ui::Rect& frame = {});
  explicit WebViewToolbar(const ui::Rect& frame = {});

  const std::string& homeURL() const { return homeURL_; }
  void setHomeURL(std::string url) { homeURL_ = std::move(url); }
  std::shared_ptr<WebView> webView() const { return webView_.lock(); }
  void setWebView(const std::shared_ptr<WebView>& webView);

  void backAction();
  void forwardAction();
  void homeAction();

  const std::shared_ptr<Button2>& back() const { return back_; }
  const std::shared_ptr<Button2>& forward() const { return forward_; }
  const std::shared_ptr<Button2>& home() const { return home_; }

  void webViewDidFinishNavigation(WebView& view) override;
  void viewDidMoveToSuperview() override;
  void mouseMoved(const ui::Event& event) override;
  void cursorUpdate(const ui::Event& event) override;
  void resetCursorRects() override;

 private:
  void build();
  std::shared_ptr<Button2> makeButton(const std::string& image, const std::string& action);
  static void setButtonEnabled(Button2& button, bool enabled);

  std::string homeURL_;
  std::weak_ptr<WebView> webView_;
  std::shared_ptr<Button2> back_;
  std::shared_ptr<Button2> forward_;
  std::shared_ptr<Button2> home_;
};

}  // namespace vl
