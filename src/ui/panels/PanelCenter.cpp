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

void PanelCenter::showPanelByKey(const std::string& key, const std::optional<PanelParams>& params) {
  VL_DCHECK_ON_MAIN();
  auto panel = panelForKey(key);
  if (!panel) {
    logWarningf("PanelCenter: no panel registered for \"%s\"", key.c_str());
    return;
  }
  ui::View* mainView = MainViewHooks::current().mainViewOrNull();
  if (!mainView) {
    logWarningf("PanelCenter: no main view to show \"%s\" in", key.c_str());
    return;
  }
  if (!present(panel, key, *mainView, params)) return;
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
    logWarningf("PanelCenter: no panel registered for \"%s\"", key.c_str());
    return;
  }
  if (panel->isShown()) {
    panel->dismiss();
  } else {
    logWarningf("PanelCenter: \"%s\" is not shown, nothing to dismiss", key.c_str());
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
  removeAll();
  isShown_ = false;
}

}  // namespace vl
