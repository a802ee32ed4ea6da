#include "ui/alert/AlertButtons.h"

#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

std::shared_ptr<ui::Button> makeButton(const std::string& title, const char* background, const char* border) {
  auto button = ui::Button::create({0, 0, 70, 25});
  button->setTitle(title);
  button->setBordered(false);
  button->setFont(ui::Font::systemFont(14));
  button->setWantsLayer(true);
  button->layer()->setCornerRadius(4);
  setBackgroundColorAssetKey(*button->layer(), std::string(background));
  if (border) {
    button->layer()->setBorderWidth(1);
    setBorderColorAssetKey(*button->layer(), std::string(border));
  }
  return button;
}

}  // namespace

std::shared_ptr<ui::Button> makeAlertConfirmButton(const std::string& title) {
  return makeButton(title, "accentColor", nullptr);
}

std::shared_ptr<ui::Button> makeAlertCancelButton(const std::string& title) {
  return makeButton(title, "viceButtonBackgroundColor", "viceButtonBorderColor");
}

}  // namespace vl
