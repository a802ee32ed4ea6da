#include "ui/VLNavigationBar.h"

#include "theme/VLThemeCategories.h"

namespace vl {

namespace {
constexpr double kCloseSize = 16;
}

std::shared_ptr<VLNavigationBar> VLNavigationBar::initWithTitle(const std::string& title) {
  auto bar = std::make_shared<VLNavigationBar>(title);
  bar->titleView();
  bar->closeButton();
  return bar;
}

const std::shared_ptr<ui::TextView>& VLNavigationBar::titleView() {
  if (titleView_) return titleView_;
  titleView_ = ui::TextView::create();
  titleView_->setMaximumNumberOfLines(1);
  titleView_->setEditable(false);
  titleView_->setAlignment(ui::TextAlignment::Center);
  titleView_->setDrawsBackground(false);
  titleView_->setVerticallyResizable(false);
  titleView_->setFont(ui::Font::systemFont(16, ui::Font::WeightLight));
  setTextColorAssetKey(*titleView_, kTitleColorKey);
  addSubview(titleView_);
  return titleView_;
}

const std::shared_ptr<ui::Button>& VLNavigationBar::closeButton() {
  if (closeButton_) return closeButton_;
  closeButton_ = ui::Button::create({8, (kHeight - kCloseSize) / 2, kCloseSize, kCloseSize});
  closeButton_->setButtonType(ui::ButtonType::MomentaryLight);
  closeButton_->setBezelStyle(ui::BezelStyle::Inline);
  closeButton_->setTitle("\u2715");
  addSubview(closeButton_);
  return closeButton_;
}

void VLNavigationBar::appendTo(ui::View& view) {
  view.addSubview(std::static_pointer_cast<ui::View>(self()));
  const ui::Rect b = view.bounds();
  setFrame({0, b.height() - kHeight, b.width(), kHeight});
  titleView()->setString(title_);
  titleView()->setFrame({0, 0, b.width(), kTitleHeight});
}

}  // namespace vl
