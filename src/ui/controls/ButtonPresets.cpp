#include "ui/controls/ButtonPresets.h"

#include "theme/VLFont.h"

namespace vl {

namespace {

void makeNavButton(Button2& button, const char* titleKey) {
  button.setTextColorAssetKey(std::string(titleKey));
  button.setFont(ui::Font::systemFont(16, ui::Font::WeightRegular));
  button.setAlignment(ui::TextAlignment::Center);
}

void makeLabel(Button3& label, const char* titleKey) {
  label.setTextColorAssetKey(std::string(titleKey));
  label.setButtonBackgroundColorAssetKey(std::string("clear"));
  label.setFont(VLFont::mainFont());
  label.getButtonControl()->setFocusRingType(ui::FocusRingType::None);
}

}  // namespace

DefaultConfirmButton::DefaultConfirmButton(const ui::Rect& frame) : Button3(frame) {
  setTextColorAssetKey(std::string("white"));
  setButtonBackgroundColorAssetKey(std::string("accentColor"));
  setFont(ui::Font::systemFont(14));
  setRadius(4);
}

DefaultCancelButton::DefaultCancelButton() : Button3({0, 0, 70, 25}) {
  setTextColorAssetKey(std::string("fontNormalColor"));
  setButtonBackgroundColorAssetKey(std::string("viceButtonBackgroundColor"));
  setBorderWidth(1);
  setBorderColorAssetKey(std::string("viceButtonBorderColor"));
  setFont(ui::Font::systemFont(14));
  setRadius(4);
}

DefaultNavConfirmButton::DefaultNavConfirmButton() : Button2({0, 4, 65, 35}) {
  makeNavButton(*this, "accentTextColor");
}

DefaultNavCancelButton::DefaultNavCancelButton() : Button2({0, 4, 65, 35}) {
  makeNavButton(*this, "modalNavBarCancelButtonFontColor");
}

NormalLabel::NormalLabel(const ui::Rect& frame) : Button3(frame) { makeLabel(*this, "fontNormalColor"); }

SubtitleLabel::SubtitleLabel(const ui::Rect& frame) : Button3(frame) {
  makeLabel(*this, "fontSubtitleColor");
}

std::shared_ptr<Button2> makeNavigationActionButton(const std::string& title,
                                                    const std::shared_ptr<ui::ActionTarget>& target,
                                                    const std::string& action) {
  auto button = Button2::create({0, 5, 65, 30});
  button->setTitle(title);
  button->setRadius(4);
  button->setFont(ui::Font::systemFont(16));
  button->setAlignment(ui::TextAlignment::Center);
  button->setButtonBackgroundColorAssetKey(std::string("accentColor"));
  button->setTextColorAssetKey(std::string("white"));
  button->setButtonBackgroundDisabledColorAssetKey(std::string("disableBackgroundColor"));
  button->setTextDisabledColorAssetKey(std::string("disableTextColor"));
  button->setTarget(target);
  button->setAction(action);
  return button;
}

}  // namespace vl
