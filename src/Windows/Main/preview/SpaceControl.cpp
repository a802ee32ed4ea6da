#include "Windows/Main/preview/SpaceControl.h"

#include <memory>

#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/view/Animation.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/view/Transaction.h"

namespace vl {
namespace {

constexpr const char* kPreviewOffKey = "preview_off";

void slide(ui::View& view, const std::string& keyPath, double from, double to, const std::string& key) {
  if (!view.wantsLayer()) view.setWantsLayer(true);
  auto anim = ui::BasicAnimation::withKeyPath(keyPath);
  anim->setFromValue(from);
  anim->setToValue(to);
  anim->setDuration(SpaceControl::kDuration);
  anim->setFillMode(ui::FillMode::Forwards);
  anim->setRemovedOnCompletion(false);
  view.layer()->addAnimation(anim, key);
}

}  // namespace

SpaceControl& SpaceControl::shared() {
  static SpaceControl control;
  return control;
}

SpaceControl::SpaceControl() { resetForTesting(); }

void SpaceControl::resetForTesting() { previewOff_ = UserDefaults::standard().boolValue(kPreviewOffKey); }

void SpaceControl::setPreviewOff(bool off) {
  VL_DCHECK_ON_MAIN();
  if (off == previewOff_) return;
  previewOff_ = off;
  VLNotificationCenter::postNotificationName("kNotificationChunkContentModeDidChange", nullptr,
                                             Json{{"isFull", off}});
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  std::shared_ptr<HintTable2> list = hooks.listOrNull();
  std::shared_ptr<ui::View> preview = hooks.previewArea ? hooks.previewArea() : nullptr;
  if (list) {
    const double listFrom = off ? kListNarrow : kListWide, listTo = off ? kListWide : kListNarrow;
    const double previewFrom = off ? kPreviewX : kPreviewAwayX, previewTo = off ? kPreviewAwayX : kPreviewX;
    const char* suffix = off ? "Off" : "On";
    const double height = list->bounds().height();
    std::weak_ptr<HintTable2> weakList = list;
    std::weak_ptr<ui::View> weakPreview = preview;
    ui::Transaction::begin();
    ui::Transaction::setCompletionBlock([weakList, weakPreview, listTo, previewTo, height] {
      auto l = weakList.lock();
      if (!l) return;
      l->setFrameSize({listTo, height});
      if (auto p = weakPreview.lock()) p->setFrame({previewTo, 0, kPreviewWidth, height});
      if (auto s = l->scroller()) s->setFrameOrigin({listTo, s->frame().minY()});
      l->simapleReload();
    });
    slide(*list, "bounds.size.width", listFrom, listTo, std::string("animHintTableBounds") + suffix);
    if (preview)
      slide(*preview, "position.x", previewFrom, previewTo, std::string("animPreviewPositionX") + suffix);
    if (auto s = list->scroller()) {
      slide(*s, "position.x", listFrom, listTo, std::string("animScrollerPositionX") + suffix);
    }
    ui::Transaction::commit();
  }
  UserDefaults::standard().setBool(kPreviewOffKey, off);
}

}  // namespace vl
