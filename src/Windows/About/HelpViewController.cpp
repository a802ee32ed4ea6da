#include "Windows/About/HelpViewController.h"

#include "Windows/About/HelpWindow.h"
#include "lookup/EmbededWebview.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/Url.h"
#include "theme/VLThemeCategories.h"

namespace vl {

std::string HelpViewController::manualHomeURL() {
  const std::string path = resourcePath("help/index.html");
  if (path.empty() || !files::isRegularFile(path)) {
    logWarning("help: the manual is missing from the resources (help/index.html)");
    return {};
  }
  return fileUrlFromPath(path);
}

void HelpViewController::loadView() {
  const ui::Size size =
      window_ ? window_->contentRect().size : ui::Size{HelpWindow::kWidth, HelpWindow::kHeight};
  auto view = std::make_shared<HelpView>(ui::Rect{{0, 0}, size});
  setView(view);
  setBackgroundColorAssetKey(*view, std::string("vellistoBackgroundColorSystem11"));
}

void HelpViewController::viewDidLoad() {
  VLViewController::viewDidLoad();
  themeManager();
  ui::View& root = *view();
  const double w = root.frame().width(), h = root.frame().height();

  webViewToolbar_ = WebViewToolbar::create({0, h - WebViewToolbar::kHeight, w, WebViewToolbar::kHeight});
  webViewToolbar_->setHomeURL(manualHomeURL());
  webView_ = WebView::create({0, 0, w, h - WebViewToolbar::kHeight});
  webView_->setCustomUserAgent(kEmbeddedWebUserAgent);
  webViewToolbar_->setWebView(webView_);
  root.addSubview(webViewToolbar_);
  root.addSubview(webView_);

  auto toolbar = webViewToolbar_;
  unavailableView_ =
      WebUnavailableView::create(webView_->frame(), [weak = std::weak_ptr<WebViewToolbar>(toolbar)] {
        auto bar = weak.lock();
        return bar ? bar->homeURL() : std::string();
      });
  root.addSubview(unavailableView_);
  webView_->setAvailabilityHandler([this](bool available) { showAvailability(available); });
  showAvailability(webView_->available());
}

void HelpViewController::showAvailability(bool available) {
  webView_->setHidden(!available);
  unavailableView_->setHidden(available);
}

void HelpViewController::viewWillAppear() {
  VLViewController::viewWillAppear();
  view();
  if (auto color = VLThemeManager::shared().colorForKey("vellistoBackgroundColorSystem11")) {
    webView_->setSurfaceColor(*color);
  }
  const std::string& home = webViewToolbar_->homeURL();
  if (!home.empty()) webView_->loadURL(home);
}

}  // namespace vl
