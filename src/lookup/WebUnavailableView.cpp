#include "lookup/WebUnavailableView.h"

#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/system/desktop/Workspace.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"

namespace vl {

std::shared_ptr<WebUnavailableView> WebUnavailableView::create(const ui::Rect& frame,
                                                               std::function<std::string()> page) {
  auto view = std::make_shared<WebUnavailableView>(frame);
  view->page_ = std::move(page);
  view->message_ = ui::TextView::create();
  ui::TextView& message = *view->message_;
  message.setEditable(false);
  message.setSelectable(false);
  message.setDrawsBackground(false);
  message.setVerticallyResizable(false);
  message.setMaximumNumberOfLines(2);
  message.setAlignment(ui::TextAlignment::Center);
  message.setFont(VLFont::mainFont());
  setTextColorAssetKey(message, std::string("fontNormalColor"));
  message.setString(localized("web.unavailable"));
  view->addSubview(view->message_);
  view->openButton_ = DefaultConfirmButton::create({0, 0, 150, 25});
  view->openButton_->setTitle(localized("web.openInBrowser"));
  view->setActionHandler("openInBrowser", [raw = view.get()](ui::ActionTarget*) { raw->openInBrowser(); });
  view->openButton_->setTarget(view);
  view->openButton_->setAction("openInBrowser");
  view->addSubview(view->openButton_);
  view->resizeSubviewsWithOldSize(frame.size);
  return view;
}

void WebUnavailableView::resizeSubviewsWithOldSize(ui::Size) {
  if (!message_) return;
  const double w = frame().width(), h = frame().height();
  message_->setFrame({10, h / 2 + 10, w - 20, 40});
  openButton_->setFrame({(w - 150) / 2, h / 2 - 30, 150, 25});
}

void WebUnavailableView::openInBrowser() {
  const std::string url = page_ ? page_() : std::string();
  if (url.empty()) return;
  if (!Workspace::shared()->openURL(url)) logWarning("web view: the browser did not take the page");
}

}  // namespace vl
