#include "ui/themechooser/WindowThumbnail.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Localization.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/window/Application.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr const char* kMatchedWord = "Vellisto";
// The rows' texts come from the string table, in the user's language; they are sized to show whole.
constexpr const char* kRow1RestKey = "pref.theme.sample.selected";
constexpr const char* kRow2RestKey = "pref.theme.sample.other";

// Inside the thumbnail's 2-point border and rounded corners, so no part of the miniature is cut.
constexpr ui::Rect kContainerFrame{10, 8, 200, 94};
constexpr double kSearchHeight = 36;
constexpr double kRowHeight = 22;
constexpr double kRowInset = 4;  // rows inside the list, text inside a row
constexpr double kRowFontSize = 11;
constexpr double kSmallestRowFontSize = 8;

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
  return std::ceil(ui::TextMetrics::widthOfString(text, font));
}

// The largest size up to 11 points at which the matched word and the rest fit the room together; below
// the smallest the rest is cut with an ellipsis instead.
double fittingSize(const std::string& matched, const std::string& rest, double room, double matchedWeight) {
  for (double size = kRowFontSize; size > kSmallestRowFontSize; size -= 0.5) {
    const double w = widthOf(matched, ui::Font::systemFont(size, matchedWeight)) +
                     widthOf(rest, ui::Font::systemFont(size));
    if (w <= room) return size;
  }
  return kSmallestRowFontSize;
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

  themeNameTextView_ = label(themeName_, ui::Font::systemFont(13, ui::Font::WeightMedium));
  themeNameTextView_->setTextColor(ui::Color::rgba(69 / 255.0, 65 / 255.0, 66 / 255.0, 1));
  themeNameTextView_->setFrame({kContainerFrame.minX(), kContainerFrame.maxY() + 3, kContainerFrame.width(),
                                kSize.height - kContainerFrame.maxY() - 6});
  addSubview(themeNameTextView_);

  const double W = kContainerFrame.width(), H = kContainerFrame.height();
  containerView_ = ThemeView::create(kContainerFrame);
  containerView_->setWantsLayer(true);
  containerView_->layer()->setCornerRadius(6);
  containerView_->layer()->setBackgroundColor(ui::Color::clear());
  containerView_->layer()->setBorderWidth(1);
  setBorderColorAssetKey(*containerView_->layer(), qualified("lineColor"));
  containerView_->layer()->setMasksToBounds(true);
  addSubview(containerView_);

  const double listHeight = H - kSearchHeight;
  searchInput_ =
      ThemeView::withKey({0, listHeight, W, kSearchHeight}, qualified("searchInputBackgroundColor"));
  containerView_->addSubview(searchInput_);
  hintTable_ = ThemeView::withKey({0, 0, W, listHeight}, qualified("recordAreaBackgroundColor"));
  containerView_->addSubview(hintTable_);
  lineView_ = Line::ofWidth(static_cast<int>(W), ui::Point{0, listHeight});
  containerView_->addSubview(lineView_);

  const double rowWidth = W - 2 * kRowInset;
  const double room = rowWidth - 2 * kRowInset;
  const std::string rest1 = " " + localized(kRow1RestKey), rest2 = " " + localized(kRow2RestKey);

  selectedRow_ = ui::View::create({kRowInset, listHeight - kRowInset - kRowHeight, rowWidth, kRowHeight});
  selectedRow_->setWantsLayer(true);
  setBackgroundColorAssetKey(*selectedRow_->layer(), qualified("accentColor"));
  selectedRow_->layer()->setCornerRadius(5);
  hintTable_->addSubview(selectedRow_);
  // On the accent-filled row the matched colour (the accent itself) would vanish: the match is set in
  // the row's white and marked by weight instead.
  const double size1 = fittingSize(kMatchedWord, rest1, room, ui::Font::WeightBold);
  const ui::Font selectedMatchFont = ui::Font::systemFont(size1, ui::Font::WeightBold);
  const ui::Font row1Font = ui::Font::systemFont(size1);
  const double selectedMatchWidth = widthOf(kMatchedWord, selectedMatchFont);
  const double textHeight = std::ceil(row1Font.lineHeight());
  const double textY = std::floor((kRowHeight - textHeight) / 2);
  row1Matched_ = label(kMatchedWord, selectedMatchFont);
  // A little room after it, as the desktop's bold face may run wider than it was measured; the rest, which
  // starts with a space, may lie over that room.
  row1Matched_->setFrame({kRowInset, textY, selectedMatchWidth + 3, textHeight});
  setBackgroundColorAssetKey(*row1Matched_, std::string("clear"));
  setTextColorAssetKey(*row1Matched_, std::string("white"));
  selectedRow_->addSubview(row1Matched_);
  const double rest1Room = std::max(0.0, room - selectedMatchWidth);
  row1Unmathced_ = label(ui::TextMetrics::truncateTail(rest1, row1Font, rest1Room), row1Font);
  row1Unmathced_->setFrame(
      {kRowInset + selectedMatchWidth, textY, std::min(rest1Room, widthOf(rest1, row1Font)), textHeight});
  setBackgroundColorAssetKey(*row1Unmathced_, std::string("clear"));
  setTextColorAssetKey(*row1Unmathced_, std::string("white"));
  selectedRow_->addSubview(row1Unmathced_);

  unselectedRow_ =
      ui::View::create({kRowInset, selectedRow_->frame().minY() - kRowHeight, rowWidth, kRowHeight});
  unselectedRow_->setWantsLayer(true);
  unselectedRow_->layer()->setBackgroundColor(ui::Color::clear());
  hintTable_->addSubview(unselectedRow_);
  const double size2 = fittingSize(kMatchedWord, rest2, room, ui::Font::WeightRegular);
  const ui::Font row2Font = ui::Font::systemFont(size2);
  const double matchedWidth = widthOf(kMatchedWord, row2Font);
  row2Matched_ = label(kMatchedWord, row2Font);
  row2Matched_->setFrame({kRowInset, textY, matchedWidth, textHeight});
  setTextColorAssetKey(*row2Matched_, qualified("matchedFontColor"));
  unselectedRow_->addSubview(row2Matched_);
  const double rest2Room = std::max(0.0, room - matchedWidth);
  row2Unmathced_ = label(ui::TextMetrics::truncateTail(rest2, row2Font, rest2Room), row2Font);
  row2Unmathced_->setFrame(
      {kRowInset + matchedWidth, textY, std::min(rest2Room, widthOf(rest2, row2Font)), textHeight});
  setBackgroundColorAssetKey(*row2Unmathced_, std::string("clear"));
  // The miniature's own text colour: the active one could vanish on this theme's list.
  setTextColorAssetKey(*row2Unmathced_, qualified("fontNormalColor"));
  unselectedRow_->addSubview(row2Unmathced_);

  const ui::Font searchFont = ui::Font::systemFont(20, ui::Font::WeightLight);
  const double searchTextHeight = std::ceil(searchFont.lineHeight());
  searchInputText_ = label(kMatchedWord, searchFont);
  searchInputText_->setFrame(
      {8, std::floor((kSearchHeight - searchTextHeight) / 2), W - 16, searchTextHeight});
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
