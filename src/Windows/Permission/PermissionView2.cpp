#include "Windows/Permission/PermissionView2.h"

#include "Windows/Main/WindowCenter.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/Layer.h"

namespace vl {

namespace {

constexpr double kUpHeight = 310;

std::shared_ptr<PassthroughAndArrowCursorTextView> paragraph(ui::View& parent, double pointSize,
                                                             double weight = ui::Font::WeightRegular) {
  auto text = PassthroughAndArrowCursorTextView::create();
  text->setFont(ui::Font::systemFont(pointSize, weight));
  text->setAlignment(ui::TextAlignment::Center);
  text->setTextContainerInset({0, 0});
  setTextColorAssetKey(*text, std::string("fontNormalColor"));
  parent.addSubview(text);
  return text;
}

std::shared_ptr<Button2> sectionButton(ui::View& parent, const std::string& title) {
  auto button = Button2::create({0, 0, 200, 25});
  button->setTitle(title);
  button->setAlignment(ui::TextAlignment::Center);
  button->setVerticalCenter(true);
  button->setRadius(4);
  button->setBorderWidth(1);
  button->setButtonBackgroundColorAssetKey(std::string("viceButtonBackgroundColor"));
  button->setButtonBackgroundHighlightedColorAssetKey(std::string("viceButtonHighlightedBackgroundColor"));
  button->setTextColorAssetKey(std::string("fontNormalColor"));
  button->setBorderColorAssetKey(std::string("viceButtonBorderColor"));
  button->setFont(ui::Font::systemFont(13));
  parent.addSubview(button);
  return button;
}

}  // namespace

std::shared_ptr<PermissionView2> PermissionView2::create(const ui::Rect& frame, PasteSession (*session)()) {
  auto view = std::make_shared<PermissionView2>(frame);
  view->session_ = session ? session : currentPasteSession;
  view->build();
  return view;
}

void PermissionView2::build() {
  setBackgroundColorAssetKey(*this, std::string(kBackgroundKey));
  upContentView_ = ui::View::create();
  upContentView_->setWantsLayer(true);
  setBackgroundColorAssetKey(*upContentView_->layer(), std::string("clear"));
  addSubview(upContentView_);
  maskView_ = ui::View::create();
  maskView_->setWantsLayer(true);
  maskView_->layer()->setMasksToBounds(true);
  maskView_->layer()->setCornerRadius(5);
  setBackgroundColorAssetKey(*maskView_->layer(), std::string("accentColor"));
  upContentView_->addSubview(maskView_);
  // The chord itself is the clearest picture of what direct paste does.
  chordView_ = paragraph(*maskView_, 56, ui::Font::WeightMedium);
  setTextColorAssetKey(*chordView_, std::string("white"));
  chordView_->setString("Ctrl+V");

  downContentView_ = VLVisualEffectView::create();
  addSubview(downContentView_);
  systemIntegration_ = paragraph(*downContentView_, 24, ui::Font::WeightMedium);
  systemIntegration_->setString(localized("permission.title"));
  directPaste1_ = paragraph(*downContentView_, 13);
  directPaste1_->setString(localized("permission.pasteDirect1"));
  directPaste2_ = paragraph(*downContentView_, 13);
  directPasteLine_ = Line::create();
  downContentView_->addSubview(directPasteLine_);
  checkAgainButton_ = sectionButton(*downContentView_, localized("permission.checkAgain"));
  indirectPaste1_ = paragraph(*downContentView_, 13);
  indirectPaste1_->setString(localized("permission.pasteIndirect1"));
  indirectPaste2_ = paragraph(*downContentView_, 13);
  indirectPaste2_->setString(localized("permission.pasteIndirect2"));
  openVellistoPreferencesButton_ =
      sectionButton(*downContentView_, localized("permission.openVellistoPreferences"));

  std::weak_ptr<PermissionView2> weak = std::static_pointer_cast<PermissionView2>(shared_from_this());
  checkAgainButton_->setActionHandler("checkAgainClick:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->checkAgainClick();
  });
  checkAgainButton_->setTarget(checkAgainButton_);
  checkAgainButton_->setAction("checkAgainClick:");
  openVellistoPreferencesButton_->setActionHandler("openVellistoPreferencesClick:",
                                                   [weak](ui::ActionTarget*) {
                                                     if (auto self = weak.lock())
                                                       self->openVellistoPreferencesClick();
                                                   });
  openVellistoPreferencesButton_->setTarget(openVellistoPreferencesButton_);
  openVellistoPreferencesButton_->setAction("openVellistoPreferencesClick:");

  showObstacle();
  layout();
}

void PermissionView2::showObstacle() {
  obstacle_ = directPasteObstacle(session_());
  directPaste2_->setString(localized(obstacleTextKey(obstacle_)));
}

void PermissionView2::checkAgainClick() {
  showObstacle();
  if (obstacle_ != DirectPasteObstacle::None) {
    logWarningf("permission: direct paste is still not possible (%s)", obstacleTextKey(obstacle_));
    return;
  }
  WindowCenter::shared().dismissWindowByKey(kPermissionWindowKey);
}

void PermissionView2::openVellistoPreferencesClick() {
  WindowCenter::shared().showWindowByKey(kPreferencesWindowKey);
}

void PermissionView2::setFrameSize(ui::Size size) {
  VLThemed<ui::View>::setFrameSize(size);
  if (upContentView_) layout();
}

void PermissionView2::layout() {
  const double w = frame().width();
  const double h = frame().height();
  upContentView_->setFrame({0, h - kUpHeight, w, kUpHeight});
  maskView_->setFrame({(w - 330) / 2, (kUpHeight - 289) / 2, 330, 289});
  chordView_->setFrame({0, (289 - 70) / 2, 330, 70});
  const double downHeight = h - kUpHeight;
  downContentView_->setFrame({0, 0, w, downHeight});
  // Each paragraph gets the lines its text takes at this width, and the lower button still fits.
  systemIntegration_->setFrame({20, downHeight - 40, w - 40, 28});
  directPaste1_->setFrame({20, systemIntegration_->frame().origin.y - 48, w - 40, 44});
  directPaste2_->setFrame({20, directPaste1_->frame().origin.y - 48, w - 40, 44});
  checkAgainButton_->setFrame({w - 20 - 200, directPaste2_->frame().origin.y - 6 - 25, 200, 25});
  directPasteLine_->setWidth(static_cast<int>(w - 40), {20, checkAgainButton_->frame().origin.y - 10});
  indirectPaste1_->setFrame({20, directPasteLine_->frame().origin.y - 10 - 36, w - 40, 36});
  indirectPaste2_->setFrame({20, indirectPaste1_->frame().origin.y - 22, w - 40, 18});
  openVellistoPreferencesButton_->setFrame(
      {w - 20 - 200, indirectPaste2_->frame().origin.y - 10 - 25, 200, 25});
}

void PermissionView2::drawRect(const ui::Rect& dirtyRect) {
  ui::GraphicsContext* ctx = ui::GraphicsContext::current();
  if (!ctx) return;
  VLThemeManager& manager = VLThemeManager::shared();
  if (auto gradient = manager.gradientForKey(kBackgroundKey)) {
    ctx->fillGradient(*gradient, dirtyRect, -90);
  } else if (auto color = manager.colorForKey(kBackgroundKey)) {
    ctx->fillRect(dirtyRect, *color);
  }
}

}  // namespace vl
