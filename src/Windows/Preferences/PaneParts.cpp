#include "Windows/Preferences/PaneParts.h"

#include "platform/foundation/Localization.h"
#include "theme/VLThemeCategories.h"

namespace vl::pane {

std::shared_ptr<ButtonTextView> title(ui::View& parent, const ui::Rect& frame, const std::string& key,
                                      bool rightAligned) {
  auto view = ButtonTextView::create(frame);
  view->setText(localized(key));
  view->setAlignment(rightAligned ? ui::TextAlignment::Right : ui::TextAlignment::Left);
  view->setFont(ui::Font::systemFont(13));
  view->setBackgroundColorAssetKey(std::string("clear"));
  view->setTextColorAssetKey(std::string("fontNormalColor"));
  parent.addSubview(view);
  return view;
}

std::shared_ptr<ui::TextView> tip(ui::View& parent, const ui::Rect& frame, const std::string& key) {
  auto view = ui::TextView::create(frame);
  view->setString(localized(key));
  view->setAlignment(ui::TextAlignment::Left);
  view->setEditable(false);
  view->setSelectable(false);
  view->setFont(ui::Font::systemFont(12));
  setBackgroundColorAssetKey(*view, std::string("clear"));
  setTextColorAssetKey(*view, std::string("fontSubtitleColor"));
  parent.addSubview(view);
  return view;
}

std::shared_ptr<ui::Button> toggle(ui::View& parent, ui::Point origin, ui::ButtonType type,
                                   const std::shared_ptr<ui::ActionTarget>& target,
                                   const std::string& action) {
  auto button = ui::Button::create({origin.x, origin.y, 20, 20});
  button->setButtonType(type);
  button->setTitle("");
  button->setTarget(target);
  button->setAction(action);
  parent.addSubview(button);
  return button;
}

std::shared_ptr<ui::PopUpButton> popUp(ui::View& parent, ui::Point origin,
                                       const std::shared_ptr<ui::ActionTarget>& target,
                                       const std::string& action, ui::Size size) {
  auto button = ui::PopUpButton::create({origin.x, origin.y, size.width, size.height});
  button->setTarget(target);
  button->setAction(action);
  parent.addSubview(button);
  return button;
}

}  // namespace vl::pane
