#include "Windows/Main/MainView.h"

#include "Windows/Main/placement/AppFrame.h"
#include "platform/ui/view/Event.h"
#include "platform/ui/view/Layer.h"
#include "theme/VLThemeCategories.h"

namespace vl {

MainView::MainView(const ui::Rect& frame) : ui::View(frame) {
  setWantsLayer(true);
  layer()->setCornerRadius(kCornerRadius);
  layer()->setMasksToBounds(true);
}

void EmptyMainViewController::loadView() {
  auto view = MainView::create({0, 0, AppFrame::kMainWidth, kHeight});
  setBackgroundColorAssetKey(*view->layer(), "vellistoBackgroundColorSystem11");
  view->layer()->setBorderWidth(1);
  setBorderColorAssetKey(*view->layer(), "mainPanelBorderColor");
  setView(view);
}

void EmptyMainViewController::mouseDown(const ui::Event& event) {
  AppFrame::shared().startDrag(event.locationInWindow());
}

void EmptyMainViewController::mouseDragged(const ui::Event& event) {
  AppFrame::shared().updateByMouseDraggedPoint(event.locationInWindow());
}

void EmptyMainViewController::mouseUp(const ui::Event&) { AppFrame::shared().stopDrag(); }

}  // namespace vl
