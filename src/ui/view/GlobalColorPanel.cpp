#include "ui/view/GlobalColorPanel.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/graphics/DisplayList.h"
#include "ui/Line.h"

namespace vl {

namespace {

constexpr const char* kChooseColor = "chooseColor:";

}  // namespace

GlobalColorPanel::GlobalColorPanel(const ui::Rect& frame) : VLThemed<ui::View>(frame) {
  const auto& ring = chooser();
  ring->setFrame({});
  ring->setMomentary(true);
  ring->setTitle("");
  ring->setBorderWidth(1.5);
  ring->setBackgroundNormalColor(ui::Color::clear());
  ring->setBackgroundHighlightColor(ui::Color::clear());
  addSubview(ring);
}

std::shared_ptr<GlobalColorPanel> GlobalColorPanel::create(const ui::Rect& frame) {
  auto panel = std::make_shared<GlobalColorPanel>(frame);
  setBackgroundColorAssetKey(*panel, std::string(kBackgroundKey));
  int width = static_cast<int>(frame.width());
  panel->addSubview(Line::ofWidth(width, ui::Point{0, 0}));
  panel->addSubview(Line::ofWidth(width, ui::Point{0, frame.height() - 1}));
  return panel;
}

const std::vector<std::string>& GlobalColorPanel::globalColors() const {
  if (globalColors_.empty()) {
    globalColors_ = {"D81E06", "F5A623", "F8E71C", "8B572A", "7ED321", "417505", "BD10E0", "9013FE",
                     "4A90E2", "50E3C2", "B8E986", "000000", "4A4A4A", "9B9B9B", "D4237A", "686869"};
  }
  return globalColors_;
}

const std::shared_ptr<SYFlatButton>& GlobalColorPanel::chooser() {
  if (!chooser_) chooser_ = SYFlatButton::create();
  return chooser_;
}

void GlobalColorPanel::load() {
  const double s = std::ceil((frame().width() - 140 - 80) / 8);
  const double step = s + 20;
  for (const auto& old : swatches_) old->removeFromSuperview();
  swatches_.clear();
  const auto& colors = globalColors();
  auto me = std::static_pointer_cast<ui::ActionTarget>(self());
  for (std::size_t i = 0; i < colors.size(); ++i) {
    bool firstRow = i < 8;
    double x = 40 + static_cast<double>(firstRow ? i : i - 8) * step;
    auto swatch = SYFlatButton::create({x, firstRow ? s + 28 : 13, s, s});
    swatch->setTag(static_cast<long>(i));
    swatch->setMomentary(true);
    swatch->setTitle("");
    swatch->setCornerRadius(5);
    swatch->setAction(kChooseColor);
    swatch->setTarget(me);
    ui::Color color = colorFromHexString(colors[i]);
    swatch->setBackgroundNormalColor(color);
    swatch->setBackgroundHighlightColor(color);
    addSubview(swatch);
    swatches_.push_back(swatch);
  }
  selectedColorIndex_ = 0;
  const auto& ring = chooser();
  ring->setFrame({37.5, s + 57.5, s + 5, s + 5});
  ring->setCornerRadius(6);
  if (!swatches_.empty()) {
    ring->setBorderNormalColor(swatches_.front()->backgroundNormalColor());
    ring->setBorderHighlightColor(swatches_.front()->backgroundNormalColor());
  }
}

void GlobalColorPanel::chooseColor(const SYFlatButton& swatch) {
  selectedColorIndex_ = swatch.tag();
  if (auto delegate = gcpDelegate()) delegate->didSelectedColor(selectedColor());
  const auto& ring = chooser();
  ring->setFrameOrigin({swatch.frame().minX() - 2.5, swatch.frame().minY() - 2.5});
  ring->setBorderNormalColor(swatch.backgroundNormalColor());
  ring->setBorderHighlightColor(swatch.backgroundHighlightColor());
}

void GlobalColorPanel::setColor(const std::string& hex) {
  const auto& colors = globalColors();
  auto it = std::find(colors.begin(), colors.end(), hex);
  if (it == colors.end()) return;
  long tag = static_cast<long>(it - colors.begin());
  for (const auto& swatch : swatches_) {
    if (swatch->tag() == tag) return chooseColor(*swatch);
  }
}

void GlobalColorPanel::setDefaultColor() {
  for (const auto& swatch : swatches_) {
    if (swatch->tag() == 0) return chooseColor(*swatch);
  }
}

std::string GlobalColorPanel::selectedColor() const {
  const auto& colors = globalColors();
  if (selectedColorIndex_ < 0 || static_cast<std::size_t>(selectedColorIndex_) >= colors.size()) return {};
  return colors[static_cast<std::size_t>(selectedColorIndex_)];
}

bool GlobalColorPanel::respondsToAction(const std::string& action) const {
  return action == kChooseColor || VLThemed<ui::View>::respondsToAction(action);
}

bool GlobalColorPanel::performAction(const std::string& action, ui::ActionTarget* sender) {
  if (action == kChooseColor) {
    if (auto* swatch = dynamic_cast<SYFlatButton*>(sender)) chooseColor(*swatch);
    return true;
  }
  return VLThemed<ui::View>::performAction(action, sender);
}

void GlobalColorPanel::drawRect(const ui::Rect& dirtyRect) {
  AssetKey key = backgroundColorAssetKey(*this);
  std::optional<ui::Color> color = key ? VLThemeManager::shared().colorForKey(*key) : std::nullopt;
  ui::GraphicsContext* ctx = ui::GraphicsContext::current();
  if (color && ctx) ctx->fillRect(dirtyRect, *color);
}

}  // namespace vl
