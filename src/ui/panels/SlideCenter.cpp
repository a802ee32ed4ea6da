#include "ui/panels/SlideCenter.h"

#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "ui/panels/EscStack.h"

namespace vl {

SlideCenter& SlideCenter::shared() {
  static auto* center = new SlideCenter;
  return *center;
}

void SlideCenter::showSlideByKey(const std::string& key, ui::View* host,
                                 const std::optional<PanelParams>& params) {
  VL_DCHECK_ON_MAIN();
  auto slide = slideForKey(key);
  if (!slide || !host) {
    logWarningf("SlideCenter: no slide registered for \"%s\", or no host", key.c_str());
    return;
  }
  if (!present(slide, key, *host, params)) return;
  std::weak_ptr<AbstractSlide> weak = slide;
  EscStack::shared().push([weak](bool) {
    auto s = weak.lock();
    if (!s || !s->isShown()) return false;
    s->dismiss();
    return true;
  });
}

void SlideCenter::dismissExistSlideIfNeededOn(ui::View* host) {
  VL_DCHECK_ON_MAIN();
  if (!host) return;
  auto subviews = host->subviews();
  for (const auto& v : subviews) {
    auto* slide = dynamic_cast<AbstractSlide*>(v.get());
    if (slide && slide->isShown()) {
      slide->dismiss();
      return;
    }
  }
}

}  // namespace vl
