#include "lookup/WebViewToolbar.h"

#include "ui/ArrowCursor.h"

namespace vl {

std::shared_ptr<WebViewToolbar> WebViewToolbar::create(const ui::Rect& frame) {
  auto bar = std::make_shared<WebViewToolbar>(frame);
  bar->build();
  return bar;
}

WebViewToolbar::WebViewToolbar(const ui::Rect& frame) : ThemeView(frame) {}

void WebViewToolbar::build() {
  setBackgroundColorAssetKey(*this, std::string("vellistoBackgroundColorSystem11"));
  setActionHandler("backAction", [this](ui::ActionTarget*) { backAction(); });
  setActionHandler("forwardAction", [this](ui::ActionTarget*) { forwardAction(); });
  setActionHandler("homeAction", [this](ui::ActionTarget*) { homeAction(); });
  back_ = makeButton("WebviewBack", "backAction");
  forward_ = makeButton("WebviewForward", "forwardAction");
  home_ = makeButton("WebviewHome", "homeAction");
  setButtonEnabled(*back_, false);
  setButtonEnabled(*forward_, false);
}

std::shared_ptr<Button2> WebViewToolbar::makeButton(const std::string& image, const std::string& action) {
  auto button = Button2::create({0, 0, kButtonSide, kButtonSide});
  button->setBorderWidth(1);
  button->setBorderColorAssetKey(std::string("viceButtonBorderColor"));
  button->setButtonBackgroundColorAssetKey(std::string("viceButtonBackgroundColor"));
  button->setButtonBackgroundHighlightedColorAssetKey(std::string("viceButtonHighlightedBackgroundColor"));
  button->setRadius(4);
  button->setImageNamed(image);
  // The glyphs are templates: the unselected look tints them in the theme's icon colour.
  button->setSelected(false);
  button->setTarget(std::static_pointer_cast<ui::ActionTarget>(shared_from_this()));
  button->setAction(action);
  return button;
}

void WebViewToolbar::setButtonEnabled(Button2& button, bool enabled) {
  button.setEnabled(enabled);
  // The button's own look keeps its colours when disabled; the faded arrow tells the state.
  button.imageView()->setAlphaValue(enabled ? 1 : 0.35);
}

void WebViewToolbar::setWebView(const std::shared_ptr<WebView>& webView) {
  webView_ = webView;
  if (webView && superview()) {
    webView->setNavigationDelegate(std::static_pointer_cast<WebViewToolbar>(self()));
  }
}

void WebViewToolbar::viewDidMoveToSuperview() {
  ThemeView::viewDidMoveToSuperview();
  if (!superview()) return;
  back_->setFrame({10, 8, kButtonSide, kButtonSide});
  forward_->setFrame({back_->frame().maxX() + 5, 8, kButtonSide, kButtonSide});
  home_->setFrame({forward_->frame().maxX() + 20, 8, kButtonSide, kButtonSide});
  for (const auto& button : {back_, forward_, home_}) {
    if (button->superview() != this) addSubview(button);
  }
  if (auto web = webView_.lock())
    web->setNavigationDelegate(std::static_pointer_cast<WebViewToolbar>(self()));
}

void WebViewToolbar::backAction() {
  if (auto web = webView_.lock()) web->goBack();
}

void WebViewToolbar::forwardAction() {
  if (auto web = webView_.lock()) web->goForward();
}

void WebViewToolbar::homeAction() {
  if (auto web = webView_.lock(); web && !homeURL_.empty()) web->loadURL(homeURL_);
}

void WebViewToolbar::webViewDidFinishNavigation(WebView& view) {
  setButtonEnabled(*back_, view.canGoBack());
  setButtonEnabled(*forward_, view.canGoForward());
}

void WebViewToolbar::mouseMoved(const ui::Event&) { arrow_cursor::set(); }
void WebViewToolbar::cursorUpdate(const ui::Event&) { arrow_cursor::set(); }
void WebViewToolbar::resetCursorRects() { arrow_cursor::resetCursorRects(*this); }

}  // namespace vl
