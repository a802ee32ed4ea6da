#include "ui/modaltable/ModalTableItem.h"

#include <algorithm>

#include "platform/ui/view/TrackingArea.h"
#include "platform/ui/window/Application.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr double kInset = 35;
constexpr double kContentWidth = 250;

void styleField(ui::TextField& field) {
  field.setAutomaticTextCompletionEnabled(false);
  field.setFont(ui::Font::systemFont(16, ui::Font::WeightLight));
  field.setFocusRingType(ui::FocusRingType::None);
  field.setBordered(false);
  field.setDrawsBackground(false);
  field.setBackgroundColor(ui::Color::clear());
  // The theme's text colour, so what is typed reads in dark mode too.
  setTextColorAssetKey(field, std::string("fontNormalColor"));
}

}  // namespace

std::shared_ptr<ModalTableItem> ModalTableItem::create(const ui::Rect& frame) {
  auto item = std::make_shared<ModalTableItem>(frame);
  item->setWantsLayer(true);
  setBackgroundColorAssetKey(*item->layer(), std::string(kNormalKey));
  item->titleView_ = PassthroughTextView::create();
  item->titleView_->setMaximumNumberOfLines(1);
  item->titleView_->setString("");
  item->titleView_->setFont(ui::Font::systemFont(16));
  item->titleView_->setAlignment(ui::TextAlignment::Left);
  setTextColorAssetKey(*item->titleView_, std::string("fontNormalColor"));
  item->addSubview(item->titleView_);
  return item;
}

std::shared_ptr<Line> ModalTableItem::makeLine() {
  auto line = Line::ofWidth(0, ui::Point{0, 0});
  line->setHidden(true);
  return line;
}

const std::shared_ptr<Line>& ModalTableItem::topLine() {
  if (!topLine_) addSubview(topLine_ = makeLine());
  return topLine_;
}

const std::shared_ptr<Line>& ModalTableItem::middleLine() {
  if (!middleLine_) addSubview(middleLine_ = makeLine());
  return middleLine_;
}

const std::shared_ptr<Line>& ModalTableItem::bottomLine() {
  if (!bottomLine_) addSubview(bottomLine_ = makeLine());
  return bottomLine_;
}

void ModalTableItem::resetStyle(std::uint64_t style) {
  style_ = style;
  bool top, middle, bottom;
  switch (style) {
    case Single:
      top = true, middle = false, bottom = true;
      break;
    case First:
      top = true, middle = true, bottom = false;
      break;
    case Middle:
      top = false, middle = true, bottom = false;
      break;
    case Last:
      top = false, middle = false, bottom = true;
      break;
    default:
      return;
  }
  topLine()->setHidden(!top);
  middleLine()->setHidden(!middle);
  bottomLine()->setHidden(!bottom);
}

void ModalTableItem::setTitle(const std::string& title) { titleView_->setString(title); }

const std::shared_ptr<ui::TextField>& ModalTableItem::input() {
  if (!input_) {
    input_ = ui::TextField::create();
    styleField(*input_);
    input_->setScrollable(true);
    addSubview(input_);
  }
  return input_;
}

const std::shared_ptr<ui::SecureTextField>& ModalTableItem::secureInput() {
  if (!secureInput_) {
    secureInput_ = std::make_shared<ui::SecureTextField>();
    styleField(*secureInput_);
    addSubview(secureInput_);
  }
  return secureInput_;
}

void ModalTableItem::setPlaceholder(const std::string& placeholder) {
  if (mode_ == TextInput) input()->setPlaceholderString(placeholder);
  if (mode_ == SecureInput) secureInput()->setPlaceholderString(placeholder);
}

std::optional<std::string> ModalTableItem::text() {
  if (mode_ == TextInput) return input()->stringValue();
  if (mode_ == SecureInput) return secureInput()->stringValue();
  return std::nullopt;
}

void ModalTableItem::setText(const std::string& text) {
  if (mode_ == TextInput) input()->setStringValue(text);
  if (mode_ == SecureInput) secureInput()->setStringValue(text);
}

void ModalTableItem::setCustomView(const std::shared_ptr<ui::View>& view) {
  if (customView_ && customView_ != view) customView_->removeFromSuperview();
  customView_ = view;
  if (view) addSubview(view);
}

void ModalTableItem::setLeftAccessory(const std::shared_ptr<ModalTableItemAccessory>& accessory) {
  if (accessory == leftAccessory_) return;
  if (leftAccessory_) leftAccessory_->removeFromSuperview();
  leftAccessory_ = accessory;
  if (!accessory) return;
  accessory->setItem(this);
  addSubview(accessory);
  accessory->setFrameOrigin({15, accessory->frame().origin.y});
}

void ModalTableItem::setRightAccessories(
    const std::vector<std::shared_ptr<ModalTableItemAccessory>>& accessories) {
  if (accessories == rightAccessories_) return;
  for (const auto& old : rightAccessories_) old->removeFromSuperview();
  rightAccessories_ = accessories;
  for (const auto& accessory : rightAccessories_) {
    accessory->setItem(this);
    addSubview(accessory);
  }
}

void ModalTableItem::viewWillMoveToSuperview(ui::View* newSuperview) {
  ui::View::viewWillMoveToSuperview(newSuperview);
  if (newSuperview) layoutRow();
}

void ModalTableItem::layoutRow() {
  double W = frame().width(), H = frame().height();
  if (!titleHighlightedKey_) titleHighlightedKey_ = titleColorKey_;
  switch (mode_) {
    case Title:
      titleView_->setFrame({kInset, (H - 18) / 2, kContentWidth, 18});
      break;
    case TextInput:
      input()->setFrame({kInset, (H - 22) / 2, kContentWidth, 22});
      break;
    case SecureInput:
      secureInput()->setFrame({kInset, (H - 22) / 2, kContentWidth, 22});
      break;
    case Custom:
      if (customView_) customView_->setFrame({kInset, 0, kContentWidth, H});
      break;
    default:
      break;
  }
  topLine()->setWidth(static_cast<int>(W), {0, H - 1});
  middleLine()->setWidth(static_cast<int>(W - kInset), {kInset, 0});
  bottomLine()->setWidth(static_cast<int>(W), {0, 0});
  resetStyle(style_);
  double x = W - 15;
  for (auto it = rightAccessories_.rbegin(); it != rightAccessories_.rend(); ++it) {
    auto& accessory = *it;
    x -= accessory->frame().width();
    bool custom = dynamic_cast<ModalTableItemAccessoryCustomView*>(accessory.get()) != nullptr;
    double y = custom ? (H - accessory->frame().height()) / 2 : accessory->frame().origin.y;
    accessory->setFrameOrigin({x, y});
  }
  // Custom content ends before the right accessories rather than running under them.
  if (mode_ == Custom && customView_ && !rightAccessories_.empty() && W > 0) {
    const double room = std::clamp(x - 5 - kInset, 0.0, kContentWidth);
    customView_->setFrame({kInset, 0, room, H});
  }
  setTextColorAssetKey(*titleView_, titleColorKey_);
}

void ModalTableItem::updateTrackingAreas() {
  if (hover_) removeTrackingArea(hover_.get());
  auto owner = std::static_pointer_cast<ui::Responder>(self());
  if (!owner) return;
  hover_ = std::make_shared<ui::TrackingArea>(
      bounds(), ui::TrackingArea::MouseEnteredAndExited | ui::TrackingArea::ActiveAlways, owner);
  addTrackingArea(hover_);
}

void ModalTableItem::showBackground(const char* key, const std::optional<std::string>& titleKey,
                                    bool titleOnlyInTitleMode) {
  setBackgroundColorAssetKey(*layer(), std::string(key));
  if (!titleOnlyInTitleMode || mode_ == Title) setTextColorAssetKey(*titleView_, titleKey);
}

void ModalTableItem::mouseEntered(const ui::Event&) {
  showBackground(kHighlightedKey, titleHighlightedKey_, true);
}

void ModalTableItem::mouseExited(const ui::Event&) { showBackground(kNormalKey, titleColorKey_, true); }

void ModalTableItem::mouseDown(const ui::Event&) {
  auto target = target_.lock();
  if (target && !action_.empty() && target->respondsToAction(action_)) {
    ui::Application::shared().sendAction(action_, target, this);
  }
  showBackground(kNormalKey, titleColorKey_, false);
}

void ModalTableRowViewWrapper::viewDidMoveToSuperview() {
  ui::TableRowView::viewDidMoveToSuperview();
  if (!superview() || !item_) return;
  item_->setFrame(bounds());
  // Taken out first so that the row lays itself out each time it comes back into the table.
  item_->removeFromSuperview();
  addSubview(item_);
}

std::shared_ptr<ModalTableSectionView> ModalTableSectionView::create(const ui::Rect& frame) {
  auto section = std::make_shared<ModalTableSectionView>(frame);
  section->titleView_ = PassthroughAndArrowCursorTextView::create();
  section->titleView_->setMaximumNumberOfLines(1);
  section->titleView_->setString("");
  section->titleView_->setFont(ui::Font::systemFont(12));
  section->titleView_->setAlignment(ui::TextAlignment::Left);
  setTextColorAssetKey(*section->titleView_, std::string("fontNormalColor"));
  section->addSubview(section->titleView_);
  return section;
}

void ModalTableSectionView::placeAccessory() {
  if (!accessory_) return;
  const ui::Rect& t = titleView_->frame();
  accessory_->setFrameOrigin({t.origin.x + t.width(), 0});
}

void ModalTableSectionView::setAccessory(const std::shared_ptr<ModalTableItemAccessory>& accessory) {
  if (accessory == accessory_) return;
  if (accessory_) accessory_->removeFromSuperview();
  accessory_ = accessory;
  if (!accessory) return;
  addSubview(accessory);
  placeAccessory();
}

void ModalTableSectionView::viewWillMoveToSuperview(ui::View* newSuperview) {
  ui::View::viewWillMoveToSuperview(newSuperview);
  if (!newSuperview) return;
  titleView_->setFrame({10, 0, frame().width() - 30, 16});
  placeAccessory();
}

}  // namespace vl
