#include "ui/panels/SlideCenter.h"

#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "ui/panels/EscStack.h"

namespace vl {

SlideCenter& SlideCenter::shared() {
  static auto* center = new SlideCenter;
  return *center;
}

const std::shared_ptr<SlideBlockShadowView>& SlideCenter::blockView() {
  if (!blockView_) blockView_ = SlideBlockShadowView::create();
  return blockView_;
}

void SlideCenter::registerSlide(const std::shared_ptr<AbstractSlide>& slide, const std::string& key) {
  VL_DCHECK_ON_MAIN();
  if (!slide) {
    logf("SlideCenter: no slide to register for \"%s\"", key.c_str());
    return;
  }
  slide->setBlockView(blockView());
  dict_[key] = slide;
}

std::shared_ptr<AbstractSlide> SlideCenter::slideForKey(const std::string& key) const {
  VL_DCHECK_ON_MAIN();
  auto it = dict_.find(key);
  return it == dict_.end() ? nullptr : it->second;
}

void SlideCenter::showSlideByKey(const std::string& key, ui::View* host,
                                 const std::optional<PanelParams>& params) {
  VL_DCHECK_ON_MAIN();
  auto slide = slideForKey(key);
  if (!slide || !host) {
    logf("SlideCenter: no slide registered for \"%s\", or no host", key.c_str());
    return;
  }
  const auto& cover = blockView();
  if (!cover->superview()) {
    host->addSubview(cover);
    cover->setFrameSize(host->frame().size);
  }
  if (!slide->superview()) host->addSubview(slide);
  if (slide->isShown()) return;
  if (slide->isAnimating()) {
    logf("SlideCenter: \"%s\" is still moving, show ignored", key.c_str());
    return;
  }
  if (params) {
    slide->showWithParams(*params);
  } else {
    slide->show();
  }
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

void SlideCenter::resetForTesting() {
  for (auto& [key, slide] : dict_) slide->removeFromSuperview();
  if (blockView_) blockView_->removeFromSuperview();
  dict_.clear();
  blockView_.reset();
}

}  // namespace vl
