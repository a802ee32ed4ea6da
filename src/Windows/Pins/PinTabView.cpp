#include "Windows/Pins/PinTabView.h"

#include "platform/ui/view/Layer.h"
#include "theme/VLFont.h"
#include "ui/view/GlobalColorPanel.h"

namespace vl {

PinTabView::PinTabView(const std::string& name, const std::string& txtColor, const std::string& bgColor,
                       const std::string& uuid)
    : ui::View({0, 0, 101, 30}), uuid_(uuid), name_(name) {
  setWantsLayer(true);
  titleView_ = PassthroughAndArrowCursorTextView::create({8, 8, 85, 14});
  titleView_->setFont(VLFont::mainFont());
  titleView_->setMaximumNumberOfLines(1);
  titleView_->setString(name_);
  addSubview(titleView_);
  if (!txtColor.empty()) txtColor_ = txtColor;
  if (!bgColor.empty()) setBgColor(bgColor);
}

std::shared_ptr<PinTabView> PinTabView::preview(const std::string& name, const std::string& txtColor,
                                                const std::string& bgColor) {
  return std::make_shared<PinTabView>(name, txtColor, bgColor, std::string());
}

void PinTabView::setName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  titleView_->setString(name_);
}

void PinTabView::setBgColor(const std::string& bgColor) {
  if (bgColor == bgColor_) return;
  bgColor_ = bgColor;
  layer()->setBackgroundColor(GlobalColorPanel::colorFromHexString(bgColor_));
}

}  // namespace vl
