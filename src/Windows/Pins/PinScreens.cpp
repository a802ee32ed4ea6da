#include "Windows/Pins/PinScreens.h"

#include "Windows/Main/MainViewController.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "Windows/Pins/PinTabTagsEditor.h"
#include "pins/PinManager.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

namespace {

PinScreens::Parts& parts() {
  static PinScreens::Parts kept;
  return kept;
}

void installMenuHooks() {
  PreviewColumnHooks hooks = PreviewColumnHooks::current();
  hooks.activeTabId = [] {
    auto tab = PinManager::shared().activedTab();
    return tab ? tab->pinTabId() : std::string();
  };
  hooks.pinTabIds = [] {
    std::vector<std::string> ids;
    for (const auto& tab : PinManager::shared().tabList()) ids.push_back(tab->pinTabId());
    return ids;
  };
  hooks.showPinTabDetail = [](const std::string& id) {
    if (auto tab = PinManager::shared().getTabOfId(id))
      PanelCenter::shared().showPanelByKey(kPanelPinDetail, PanelParams{tab});
  };
  hooks.deletePinTab = [](const std::string& id) { PinManager::shared().deleteTabOfId(id); };
  hooks.moveForwardPinTab = [](const std::string& id) { PinManager::shared().moveForwardTabOfId(id); };
  hooks.moveBackwardPinTab = [](const std::string& id) { PinManager::shared().moveBackwardTabOfId(id); };
  hooks.nextPinTab = [] { PinManager::shared().next(); };
  PreviewColumnHooks::install(std::move(hooks));
}

}  // namespace

const PinScreens::Parts& PinScreens::install(PinTabEdits::Hooks hooks) {
  Parts& p = parts();
  p.bar = PinTabBar::create();
  p.bar->setResearch(hooks.research);
  p.edits = std::make_shared<PinTabEdits>(p.bar, hooks);
  p.detailPanel = PinTabDetailPanel::create();
  p.detailPanel->setPtdDelegate(p.edits);
  p.detailPanel->page()->setRulesEditor(PinTabTagsEditor::create(p.detailPanel->page()));
  PanelCenter::shared().registerPanel(p.detailPanel, kPanelPinDetail);
  p.movePanel = MoveToPinPanel::create();
  p.movePanel->setMtpDelegate(p.edits);
  PanelCenter::shared().registerPanel(p.movePanel, kPanelPinMove);

  std::weak_ptr<PinTabBar> bar = p.bar;
  PinManager::shared().setBarHooks({hooks.research, [bar] {
                                      if (auto b = bar.lock()) b->updateAddPinTabButtonState();
                                    }});
  installMenuHooks();
  return p;
}

const PinScreens::Parts& PinScreens::installInto(const std::shared_ptr<MainViewController>& controller) {
  std::weak_ptr<MainViewController> weak = controller;
  PinTabEdits::Hooks hooks;
  hooks.selectedRows = [weak] {
    auto c = weak.lock();
    return c ? c->hintTable()->selectedRecords() : DisplayRows{};
  };
  hooks.research = [weak] {
    if (auto c = weak.lock()) c->searchInput()->research();
  };
  const Parts& p = install(std::move(hooks));
  controller->setPinTabBar(p.bar);
  return p;
}

const PinScreens::Parts& PinScreens::current() { return parts(); }

void PinScreens::resetForTesting() {
  PinManager::shared().setBarHooks({});
  parts() = {};
}

}  // namespace vl
