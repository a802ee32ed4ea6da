#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ui/panels/AbstractSlide.h"
#include "ui/panels/BlockShadowView.h"
#include "ui/panels/PanelTypes.h"
#include "ui/panels/SheetCenter.h"

namespace vl {

// The side slides by key and the one cover they share; the cover stays on the first host that ever
// showed a slide. Main thread only.
class SlideCenter : private SheetCenter<AbstractSlide, SlideBlockShadowView> {
 public:
  static SlideCenter& shared();

  void registerSlide(const std::shared_ptr<AbstractSlide>& slide, const std::string& key) { add(slide, key); }
  std::shared_ptr<AbstractSlide> slideForKey(const std::string& key) const { return find(key); }
  void showSlideByKey(const std::string& key, ui::View* host,
                      const std::optional<PanelParams>& params = std::nullopt);
  // Dismisses the first shown slide among the host's direct subviews.
  void dismissExistSlideIfNeededOn(ui::View* host);
  const std::shared_ptr<SlideBlockShadowView>& blockView() { return cover(); }

  void resetForTesting() { removeAll(); }

 private:
  SlideCenter() : SheetCenter("SlideCenter", "slide") {}
};

}  // namespace vl
