#include "platform/system/web/WebView.h"

#include "platform/foundation/Log.h"
#include "platform/system/web/WebEngine.h"

namespace vl {

std::shared_ptr<WebView> WebView::create(const ui::Rect& frame) {
  auto view = std::make_shared<WebView>(frame, WebEngine::installed());
  view->engine_->attach(*view);
  view->attached_ = true;
  view->available_ = view->engine_->available();
  return view;
}

WebView::WebView(const ui::Rect& frame, std::shared_ptr<WebEngine> engine)
    : NativeSurfaceView(frame), engine_(std::move(engine)) {}

WebView::~WebView() {
  if (attached_) engine_->detach(surfaceNumber());
}

void WebView::loadURL(const std::string& url) {
  requested_ = url;
  reloadedAfterCrash_ = false;
  engine_->load(*this, url);
}

void WebView::goBack() {
  if (canGoBack_) engine_->goBack(*this);
}

void WebView::goForward() {
  if (canGoForward_) engine_->goForward(*this);
}

void WebView::reload() { engine_->reload(*this); }

void WebView::setCustomUserAgent(const std::string& agent) {
  agent_ = agent;
  engine_->setUserAgent(*this, agent);
}

void WebView::engineDidFinish(const std::string& url, bool canGoBack, bool canGoForward) {
  url_ = url;
  canGoBack_ = canGoBack;
  canGoForward_ = canGoForward;
  reloadedAfterCrash_ = false;
  if (auto delegate = delegate_.lock()) delegate->webViewDidFinishNavigation(*this);
}

void WebView::engineDidFail(const std::string& error) {
  if (auto delegate = delegate_.lock()) delegate->webViewDidFailNavigation(*this, error);
}

void WebView::engineDidCrash() {
  if (reloadedAfterCrash_) {
    engineDidFail("the page's process ended");
    return;
  }
  reloadedAfterCrash_ = true;
  logWarning("web view: the page's process ended; loading the page again");
  const std::string& again = url_.empty() ? requested_ : url_;
  if (!again.empty()) engine_->load(*this, again);
}

void WebView::engineAvailabilityChanged(bool available) {
  if (available == available_) return;
  available_ = available;
  if (availability_) availability_(available);
}

void WebView::setFrameSize(ui::Size size) {
  const bool changed = size != frame().size;
  NativeSurfaceView::setFrameSize(size);
  if (changed && attached_) engine_->surfaceChanged(*this);
}

void WebView::nativeWindowDidChange() {
  if (attached_) engine_->surfaceChanged(*this);
}

}  // namespace vl
