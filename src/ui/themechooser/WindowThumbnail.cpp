#include "ui/themechooser/WindowThumbnail.h"

#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/window/Application.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr const char* kMatchedWord = "Vellisto";
constexpr const char* kRow1Rest = "is a light keyboard-driven efficiency gadget focusing on the clipboard";
constexpr const char* kRow2Rest = "是一款轻量级的专注于剪贴板的键盘驱动效率工具";

// A text that only shows, on one line cut at the view's edge: no editing, no selection, no background.
std::shared_ptr<ui::TextView> label(const std::string& text, const ui::Font& font) {
  auto view = ui::TextView::create();
  view->setMaximumNumberOfLines(1);
  view->setLineBreakMode(ui::LineBreakMode::Clipping);
  view->setLineFragmentPadding(0);
  view->setEditable(false);
  view->setSelectable(false);
  view->setDrawsBackground(false);
  view->setVerticallyResizable(false);
  view->setFont(font);
  view->setString(text);
  return view;
}

double widthOf(const std::string& text, const ui::Font& font) {
  return ui::TextMetrics::widthOfString(text, font);
}

}  // namespace

void _ClickView::mouseDown(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseDown(event);
}

std::shared_ptr<WindowThumbnail> WindowThumbnail::initWithThemeNanme(const std::string& themeName) {
  auto thumbnail = std::make_shared<WindowThumbnail>();
  thumbnail->themeName_ = themeName;
  thumbnail->build();
  return thumbnail;
}

void WindowThumbnail::build() {
  setWantsLayer(true);
  layer()->setBackgroundColor(ui::Color::whiteColor());
  layer()->setBorderWidth(2);
  layer()->setCornerRadius(10);
  setSelected(false);

  themeNameTextView_ = label(themeName_, ui::Font::systemFont(14, ui::Font::WeightMedium));
  themeNameTextView_->setTextColor(ui::Color::rgba(69 / 255.0, 65 / 255.0, 66 / 255.0, 1));
  themeNameTextView_->setFrame({5, 105, 220, 20});
  addSubview(themeNameTextView_);

  containerView_ = ThemeView::create({20, 0, 200, 100});
  containerView_->setWantsLayer(true);
  containerView_->layer()->setCornerRadius(10);
  containerView_->layer()->setMaskedCorners(ui::MinXMaxYCorner);
  containerView_->layer()->setBackgroundColor(ui::Color::clear());
  containerView_->layer()->setBorderWidth(1);
  setBorderColorAssetKey(*containerView_->layer(), qualified("lineColor"));
  containerView_->layer()->setMasksToBounds(true);
  addSubview(containerView_);

  searchInput_ = ThemeView::withKey({0, 58, 200, 42}, qualified("searchInputBackgroundColor"));
  containerView_->addSubview(searchInput_);
  hintTable_ = ThemeView::withKey({0, 0, 200, 58}, qualified("recordAreaBackgroundColor"));
  containerView_->addSubview(hintTable_);
  lineView_ = Line::ofWidth(200, ui::Point{0, 58});
  containerView_->addSubview(lineView_);

  ui::Font rowFont = ui::Font::systemFont(11);
  double matchedWidth = widthOf(kMatchedWord, rowFont);
  selectedRow_ = ui::View::create({5, 27, 195, 26});
  selectedRow_->setWantsLayer(true);
  setBackgroundColorAssetKey(*selectedRow_->layer(), qualified("accentColor"));
  selectedRow_->layer()->setCornerRadius(5);
  selectedRow_->layer()->setMaskedCorners(ui::MinXMinYCorner | ui::MinXMaxYCorner);
  hintTable_->addSubview(selectedRow_);
  // On the accent-filled row the matched colour (the accent itself) would vanish: the match is set in
  // the row's white and marked by weight instead.
  const ui::Font selectedMatchFont = ui::Font::systemFont(11, ui::Font::WeightBold);
  // A little room after it, as the desktop's bold face may run wider than it was measured.
  const double selectedMatchWidth = widthOf(kMatchedWord, selectedMatchFont) + 3;
  row1Matched_ = label(kMatchedWord, selectedMatchFont);
  row1Matched_->setFrame({5, 5, selectedMatchWidth, 16});
  setBackgroundColorAssetKey(*row1Matched_, std::string("clear"));
  setTextColorAssetKey(*row1Matched_, std::string("white"));
  selectedRow_->addSubview(row1Matched_);
  row1Unmathced_ = label(kRow1Rest, rowFont);
  row1Unmathced_->setFrame({5 + selectedMatchWidth, 5, widthOf(kRow1Rest, rowFont), 16});
  setBackgroundColorAssetKey(*row1Unmathced_, std::string("clear"));
  setTextColorAssetKey(*row1Unmathced_, std::string("white"));
  selectedRow_->addSubview(row1Unmathced_);

  unselectedRow_ = ui::View::create({5, 0, 195, 26});
  unselectedRow_->setWantsLayer(true);
  unselectedRow_->layer()->setBackgroundColor(ui::Color::clear());
  hintTable_->addSubview(unselectedRow_);
  row2Matched_ = label(kMatchedWord, rowFont);
  row2Matched_->setFrame({5, 5, matchedWidth, 16});
  setTextColorAssetKey(*row2Matched_, qualified("matchedFontColor"));
  unselectedRow_->addSubview(row2Matched_);
  row2Unmathced_ = label(kRow2Rest, rowFont);
  row2Unmathced_->setFrame({5 + matchedWidth, 2, widthOf(kRow2Rest, rowFont), 16});
  setBackgroundColorAssetKey(*row2Unmathced_, std::string("clear"));
  unselectedRow_->addSubview(row2Unmathced_);

  searchInputText_ = label(kMatchedWord, ui::Font::systemFont(23, ui::Font::WeightLight));
  searchInputText_->setFrame({10, 5, 190, 25});
  setTextColorAssetKey(*searchInputText_, qualified("searchInputFontColor"));
  searchInput_->addSubview(searchInputText_);

  clickView_ = std::make_shared<_ClickView>(bounds());
  clickView_->setAlphaValue(0);
  addSubview(clickView_);
}

void WindowThumbnail::setSelected(bool selected) {
  selected_ = selected;
  setBorderColorAssetKey(*layer(), std::string(selected ? "accentColor" : "themeUnselectedBorderColor"));
}

void WindowThumbnail::mouseDown(const ui::Event&) {
  auto target = target_.lock();
  if (!target || action_.empty() || !target->respondsToAction(action_)) return;
  ui::Application::shared().sendAction(action_, target, this);
}

}  // namespace vl
