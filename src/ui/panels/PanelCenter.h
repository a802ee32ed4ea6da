#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/panels/AbstractPanel.h"
#include "ui/panels/BlockShadowView.h"
#include "ui/panels/PanelTypes.h"
#include "ui/panels/SheetCenter.h"

namespace vl {

// The drop-down panels of the main view by key, the one cover they share, and whether one is shown.
// Main thread only.
class PanelCenter : private SheetCenter<AbstractPanel, BlockShadowView> {
 public:
  static PanelCenter& shared();

  // Hands the panel the shared cover; a second registration under a key replaces the first.
  void registerPanel(const std::shared_ptr<AbstractPanel>& panel, const std::string& key) { add(panel, key); }
  std::shared_ptr<AbstractPanel> panelForKey(const std::string& key) const { return find(key); }
  // Drops the panel into the main view and pushes an Escape block for it. A shown panel, an unknown key
  // or a missing main view does nothing.
  void showPanelByKey(const std::string& key, const std::optional<PanelParams>& params = std::nullopt);
  void dismissPanelByKey(const std::string& key);
  // Dismisses the first shown panel of the main view (with the end block when given); without one the
  // block never runs.
  void dismissExistPanelIfNeeded(std::function<void(AbstractPanel&)> endBlock = nullptr);

  // Written at the end of each show and dismiss animation only.
  bool isShown() const { return isShown_; }
  void setIsShown(bool shown) { isShown_ = shown; }
  const std::shared_ptr<BlockShadowView>& blockView() { return cover(); }

  // Tests: forget every panel and the cover.
  void resetForTesting();

 private:
  PanelCenter() : SheetCenter("PanelCenter", "panel") {}
  bool isShown_ = false;
};

}  // namespace vl
