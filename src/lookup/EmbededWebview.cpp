#include "lookup/EmbededWebview.h"

#include "core/web/WebSearch.h"
#include "lookup/TranslateView.h"
#include "theme/VLThemeManager.h"

namespace vl {

std::shared_ptr<EmbededWebview> EmbededWebview::create(const ui::Rect& frame) {
  auto view = std::make_shared<EmbededWebview>(frame);
  view->build();
  return view;
}

EmbededWebview::EmbededWebview(const ui::Rect& frame) : CustomView(frame) {}

void EmbededWebview::build() {
  const double w = frame().width(), h = frame().height();
  webViewToolbar_ = WebViewToolbar::create({0, h - WebViewToolbar::kHeight, w, WebViewToolbar::kHeight});
  webView_ = WebView::create({0, 0, w, h - WebViewToolbar::kHeight});
  webView_->setCustomUserAgent(kEmbeddedWebUserAgent);
  // The bar keeps to the top and the page takes the rest when the preview changes size.
  webViewToolbar_->setAutoresizingMask(ui::View::WidthSizable | ui::View::MinYMargin);
  webView_->setAutoresizingMask(ui::View::WidthSizable | ui::View::HeightSizable);
  webViewToolbar_->setWebView(webView_);
  addSubview(webViewToolbar_);
  addSubview(webView_);

  std::weak_ptr<EmbededWebview> weak = std::static_pointer_cast<EmbededWebview>(self());
  unavailableView_ = WebUnavailableView::create(webView_->frame(), [weak] {
    auto self = weak.lock();
    return self ? self->webViewToolbar_->homeURL() : std::string();
  });
  unavailableView_->setAutoresizingMask(ui::View::WidthSizable | ui::View::HeightSizable);
  addSubview(unavailableView_);
  webView_->setAvailabilityHandler([weak](bool available) {
    if (auto self = weak.lock()) self->showAvailability(available);
  });
  showAvailability(webView_->available());
}

void EmbededWebview::showAvailability(bool available) {
  webView_->setHidden(!available || !selection());
  unavailableView_->setHidden(available);
}

std::string EmbededWebview::getHomeURL(const std::string& text) {
  return webSearchURL(configuredWebSearchEngine(), text);
}

void EmbededWebview::setJsonData(const std::optional<Json>& json, const std::string&) {
  std::string text;
  if (json && json->is_object()) {
    auto it = json->find("search_context");
    if (it != json->end() && it->is_string()) text = it->get<std::string>();
  }
  const std::string url = getHomeURL(text);
  // What shows before the page has drawn follows the theme and light or dark of this moment.
  if (auto color = VLThemeManager::shared().colorForKey("vellistoBackgroundColorSystem11")) {
    webView_->setSurfaceColor(*color);
  }
  webViewToolbar_->setHomeURL(url);
  webView_->loadURL(url);
}

void EmbededWebview::setSelection(bool selection) {
  CustomView::setSelection(selection);
  showAvailability(webView_->available());
}

void installLookupViews() {
  CustomView::registerClass(EmbededWebview::kClassName,
                            [](const ui::Rect& frame) { return EmbededWebview::create(frame); });
  CustomView::registerClass(TranslateView::kClassName,
                            [](const ui::Rect& frame) { return TranslateView::create(frame); });
}

}  // namespace vl
