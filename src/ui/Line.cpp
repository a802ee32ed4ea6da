#include "ui/Line.h"

#include "theme/VLThemeCategories.h"

namespace vl {

std::shared_ptr<Line> Line::create(const ui::Rect& frame) {
  auto line = std::make_shared<Line>(frame);
  setBackgroundColorAssetKey(*line, kDefaultColorKey);
  return line;
}

std::shared_ptr<Line> Line::ofWidth(int width, int padding) {
  return create({static_cast<double>(padding), 0, static_cast<double>(width - 2 * padding), 1});
}

std::shared_ptr<Line> Line::ofWidth(int width, ui::Point origin, const std::string& assetKey) {
  auto line = create({origin.x, origin.y, static_cast<double>(width), 1});
  setBackgroundColorAssetKey(*line, assetKey);
  return line;
}

std::shared_ptr<Line> Line::ofHeight(int height, ui::Point origin) {
  return create({origin.x, origin.y, 1, static_cast<double>(height)});
}

void Line::setWidth(int width, ui::Point origin) {
  setFrame({origin.x, origin.y, static_cast<double>(width), 1});
}

void Line::setHeight(int height, ui::Point origin) {
  setFrame({origin.x, origin.y, 1, static_cast<double>(height)});
}

void Line::drawRect(const ui::Rect& dirtyRect) {
  AssetKey key = backgroundColorAssetKey(*this);
  std::optional<ui::Color> color = key ? themeManager(*this).colorForKey(*key) : std::nullopt;
  if (color) {
    if (ui::GraphicsContext* ctx = ui::GraphicsContext::current()) ctx->fillRect(dirtyRect, *color);
  }
  ui::View::drawRect(dirtyRect);
}

}  // namespace vl
