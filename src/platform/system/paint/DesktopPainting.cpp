#include "platform/system/paint/DesktopPainting.h"

#include <memory>

#include "platform/system/paint/CairoImageLoader.h"
#include "platform/system/paint/PangoTextEngine.h"
#include "platform/ui/graphics/ImageLoader.h"
#include "platform/ui/text/TextEngine.h"

namespace vl::paint {

void installDesktopPainting() {
  if (desktopPaintingInstalled()) return;
  ui::setTextEngine(PangoTextEngine::shared());
  ui::setImageLoader(std::make_shared<CairoImageLoader>());
}

void uninstallDesktopPainting() {
  ui::setTextEngine(nullptr);
  ui::setImageLoader(nullptr);
}

bool desktopPaintingInstalled() { return ui::textEngine() == PangoTextEngine::shared(); }

void setSystemFontDescription(const std::string& description) {
  PangoTextEngine::shared()->setSystemFontDescription(description);
}

}  // namespace vl::paint
