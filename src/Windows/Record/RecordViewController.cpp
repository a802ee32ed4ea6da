#include "Windows/Record/RecordViewController.h"

#include <algorithm>

#include "Windows/Main/QuickAccess.h"
#include "Windows/Record/RecordTable.h"
#include "Windows/Record/RecordToolbar.h"
#include "Windows/Record/RecordView.h"
#include "Windows/Record/RecordWindow.h"
#include "platform/foundation/Localization.h"

namespace vl {

std::shared_ptr<RecordView> RecordView::create(const ui::Rect& frame) {
  auto view = std::make_shared<RecordView>(frame);
  view->setWantsLayer(true);
  view->layer()->setCornerRadius(5);
  setBackgroundColorAssetKey(*view, "recordWindowBackgroundColor");
  return view;
}

std::shared_ptr<RecordViewController> RecordViewController::create(RecordWindow* window) {
  auto controller = std::make_shared<RecordViewController>();
  controller->window_ = window;
  return controller;
}

std::shared_ptr<RecordTable> RecordViewController::recordTable() {
  auto controller = std::dynamic_pointer_cast<RecordViewController>(QuickAccess::recordViewController());
  return controller ? controller->recordTable_ : nullptr;
}

void RecordViewController::loadView() { setView(RecordView::create()); }

void RecordViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  const ui::Size size =
      window_ ? window_->frame().size : ui::Size{RecordWindow::kWidth, RecordWindow::kHeight};
  view()->setFrameSize(size);
  const double w = size.width, h = size.height;
  toolbar_ = RecordToolbar::initWithFrame({0, h - RecordToolbar::kHeight, w, RecordToolbar::kHeight});
  tips_ = SubtitleLabel::create({0, 0, w, h - RecordToolbar::kHeight});
  tips_->setTitle(localized("empty"));
  recordTable_ = RecordTable::initWithFrame({0, 0, w, 0});
  recordTable_->setRecordViewController(this);
  if (window_) {
    auto responder = std::static_pointer_cast<ui::Responder>(window_->shared_from_this());
    toolbar_->titleLabel().setMouseResponder(responder);
    tips_->setMouseResponder(responder);
  }
  view()->addSubview(toolbar_);
  view()->addSubview(tips_);
  view()->addSubview(recordTable_);
  gap_ = static_cast<int>(h - RecordToolbar::kHeight - 32);
}

void RecordViewController::viewWillAppear() {
  ui::ViewController::viewWillAppear();
  if (window_) window_->setShown(true);
  recordTable_->clear();
}

void RecordViewController::resize() {
  const double tableHeight = recordTable_->frame().height();
  const int total = static_cast<int>(RecordToolbar::kHeight + gap_ + std::max(32.0, tableHeight));
  const double w = view()->frame().width();
  view()->setFrameSize({w, double(total)});
  if (window_) {
    const ui::Rect frame = window_->frame();
    const int delta = static_cast<int>(total - frame.height());
    window_->setFrame({frame.origin.x, frame.origin.y - delta, frame.width(), double(total)}, true);
  }
  toolbar_->setFrameOrigin({0, total - RecordToolbar::kHeight});
  // The tip says the queue is empty; rows cover it otherwise.
  tips_->setHidden(recordTable_->hasData());
}

}  // namespace vl
