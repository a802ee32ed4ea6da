#include "Windows/Sync/ExplainButton.h"

#include "Windows/Sync/SyncLook.h"
#include "platform/foundation/Log.h"
#include "platform/ui/text/Font.h"
#include "theme/VLThemeCategories.h"

namespace vl {

std::shared_ptr<ExplainButton> ExplainButton::create(const ui::Rect& frame) {
  auto button = std::make_shared<ExplainButton>(frame);
  button->setWantsLayer(true);
  button->titleView_ = makeSyncLabel(16, ui::TextAlignment::Center);
  button->titleView_->setFrame({5, frame.height() - 18 - 20, frame.width(), 18});
  button->descView_ = makeSyncLabel(14, ui::TextAlignment::Natural, 0);
  button->descView_->setFont(ui::Font::systemFont(14, ui::Font::WeightLight));
  button->addSubview(button->titleView_);
  button->addSubview(button->descView_);
  button->recolour();
  return button;
}

void ExplainButton::setDesc(const std::string& desc) {
  descView_->setString(desc);
  descView_->setFrame({5, 20, frame().width(), frame().height() - titleView_->frame().origin.y});
}

void ExplainButton::setSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  logDebugf("ExplainButton: \"%s\" %s", titleView_->string().c_str(), selected ? "selected" : "deselected");
  recolour();
}

void ExplainButton::recolour() {
  setBackgroundColorAssetKey(*layer(), std::string(selected_ ? "accentColor" : "clear"));
  const std::string text = selected_ ? "white" : "fontNormalColor";
  setTextColorAssetKey(*titleView_, text);
  setTextColorAssetKey(*descView_, text);
}

void ExplainButton::mouseDown(const ui::Event&) {
  if (delegate_) delegate_->explainButtonDidClick(*this);
}

}  // namespace vl
