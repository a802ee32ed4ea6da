#include "Windows/AutoPick/AutoPickTagDetailController.h"

#include "Windows/AutoPick/AutoPickDisplayView.h"
#include "Windows/AutoPick/SelectAutoPickTagsController.h"
#include "autopick/AutoPickNode.h"
#include "platform/foundation/Localization.h"
#include "ui/navigation/ModalNavigationController.h"

namespace vl {

void AutoPickTagDetailController::viewDidLoad() {
  ModalViewController::viewDidLoad();
  setActionHandler("action:", [this](ui::ActionTarget*) { action(); });
  const ui::Rect area = view()->bounds();
  if (!tagItem_) {
    tagItem_ = ModalTableItem::create({0, area.height() - 50, area.width(), ModalTableView::kRowHeight});
    tagItem_->setMode(ModalTableItem::Custom);
    tagItem_->setCustomView(AutoPickDisplayView::create());
    tagItem_->resetStyle(ModalTableItem::Single);
    view()->addSubview(tagItem_);
  }
}

std::shared_ptr<ui::View> AutoPickTagDetailController::rightItem() {
  if (!rightItem_) {
    rightItem_ = makeAutoPickConfirmButton("save");
    rightItem_->setTarget(shared_from_this());
    rightItem_->setAction("action:");
  }
  return rightItem_;
}

void AutoPickTagDetailController::viewWillAppear() {
  ModalViewController::viewWillAppear();
  if (!node_ || !tagItem_) return;
  std::static_pointer_cast<AutoPickDisplayView>(tagItem_->customView())->setNode(node_);
  if (customView_) customView_->removeFromSuperview();
  customView_.reset();
  if (node_->viewName() && !node_->viewName()->empty()) {
    customView_ = AutoPickCustomValueView::ofViewName(*node_->viewName());
  }
  rightItem();
  rightItem_->setEnabled(true);
  if (customView_) {
    std::weak_ptr<Button2> button = rightItem_;
    customView_->setOnSavableChanged([button, editable = editable_](bool savable) {
      if (auto b = button.lock()) b->setEnabled(savable || !editable);
    });
    customView_->setNode(node_);
    customView_->setWidth(view()->bounds().width());
    customView_->setEditable(editable_);
    view()->addSubview(customView_);
    customView_->setFrameOrigin({0, tagItem_->frame().origin.y - customView_->frame().height()});
  }
  rightItem_->setTitle(localized(editable_ ? "save" : "ok"));
}

void AutoPickTagDetailController::action() {
  if (editable_ && customView_ && !customView_->save()) return;
  auto* nav = navigationController();
  if (!nav) return;
  if (isRoot()) {
    if (nav->presenting()) nav->presenting()->dismiss();
  } else {
    nav->popModalViewController();
  }
}

}  // namespace vl
