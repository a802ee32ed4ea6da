#include "ui/panels/PanelCenter.h"

#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "ui/panels/EscStack.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {

namespace {

// These panels belong to a sync flow: emptying the stack leaves them up, and Escape also closes the
// main window's sync bar.
bool isSyncFlowPanel(const std::string& key) {
  return key == kPanelDataSync || key == kPanelSyncPassword || key == kPanelSyncSwitch;
}

}  // namespace

PanelCenter& PanelCenter::shared() {
  static auto* center = new PanelCenter;
  return *center;
}

const std::shared_ptr<BlockShadowView>& PanelCenter::blockView() {
  if (!blockView_) blockView_ = BlockShadowView::create();
  return blockView_;
}

void PanelCenter::registerPanel(const std::shared_ptr<AbstractPanel>& panel, const std::string& key) {
  VL_DCHECK_ON_MAIN();
  if (!panel) {
    logf("PanelCenter: no panel to register for \"%s\"", key.c_str());
    return;
  }
  panel->setBlockView(blockView());
  dict_[key] = panel;
}

std::shared_ptr<AbstractPanel> PanelCenter::panelForKey(const std::string& key) const {
  VL_DCHECK_ON_MAIN();
  auto it = dict_.find(key);
  return it == dict_.end() ? nullptr : it->second;
}

void PanelCenter::showPanelByKey(const std::string& key, const std::optional<PanelParams>& params) {
  VL_DCHECK_ON_MAIN();
  auto panel = panelForKey(key);
  if (!panel) {
    logf("PanelCenter: no panel registered for \"%s\"", key.c_str());
    return;
  }
  ui::View* mainView = MainViewHooks::current().mainViewOrNull();
  if (!mainView) {
    logf("PanelCenter: no main view to show \"%s\" in", key.c_str());
    return;
  }
  const auto& cover = blockView();
  if (!cover->superview()) {
    mainView->addSubview(cover);
    cover->setFrameSize(mainView->frame().size);
  }
  if (!panel->superview()) mainView->addSubview(panel);
  if (panel->isShown()) return;
  if (panel->isAnimating()) {
    logf("PanelCenter: \"%s\" is still moving, show ignored", key.c_str());
    return;
  }
  if (params) {
    panel->showWithParams(*params);
  } else {
    panel->show();
  }
  std::weak_ptr<AbstractPanel> weak = panel;
  bool syncFlow = isSyncFlowPanel(key);
  EscStack::shared().push([weak, syncFlow](bool cleaning) {
    auto p = weak.lock();
    if (!p || !p->isShown()) return false;
    if (syncFlow) {
      if (cleaning) return false;
      if (const auto& close = MainViewHooks::current().closeSyncBar) close();
    }
    p->dismiss();
    return true;
  });
}

void PanelCenter::dismissPanelByKey(const std::string& key) {
  VL_DCHECK_ON_MAIN();
  auto panel = panelForKey(key);
  if (!panel) {
    logf("PanelCenter: no panel registered for \"%s\"", key.c_str());
    return;
  }
  if (panel->isShown()) {
    panel->dismiss();
  } else {
    logf("PanelCenter: \"%s\" is not shown, nothing to dismiss", key.c_str());
  }
}

void PanelCenter::dismissExistPanelIfNeeded(std::function<void(AbstractPanel&)> endBlock) {
  VL_DCHECK_ON_MAIN();
  ui::View* mainView = MainViewHooks::current().mainViewOrNull();
  if (!mainView) return;
  auto subviews = mainView->subviews();
  for (const auto& v : subviews) {
    auto* panel = dynamic_cast<AbstractPanel*>(v.get());
    if (!panel || !panel->isShown()) continue;
    if (endBlock) {
      panel->dismissWithEndBlock(std::move(endBlock));
    } else {
      panel->dismiss();
    }
    return;
  }
}

void PanelCenter::resetForTesting() {
  for (auto& [key, panel] : dict_) panel->removeFromSuperview();
  if (blockView_) blockView_->removeFromSuperview();
  dict_.clear();
  blockView_.reset();
  isShown_ = false;
}

}  // namespace vl
