#include "ui/navigation/NavigationItems.h"

#include "theme/VLThemeCategories.h"

namespace vl {

std::shared_ptr<ui::Button> makeNavigationItemButton(const std::string& title) {
  auto button = ui::Button::create({0, 0, 65, 30});
  button->setTitle(title);
  button->setBordered(false);
  button->setAlignment(ui::TextAlignment::Center);
  button->setFont(ui::Font::systemFont(16));
  button->setWantsLayer(true);
  button->layer()->setCornerRadius(4);
  button->layer()->setBorderWidth(1);
  setBackgroundColorAssetKey(*button->layer(), std::string("viceButtonBackgroundColor"));
  setBorderColorAssetKey(*button->layer(), std::string("viceButtonBorderColor"));
  return button;
}

}  // namespace vl
