#pragma once

#include <memory>
#include <string>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "Windows/Main/list/ContextualMenu.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "Windows/Pins/PinScreens.h"
#include "pins/PinManager.h"
#include "platform/foundation/Files.h"
#include "platform/ui/controls/Beep.h"
#include "platform/ui/menu/Menu.h"
#include "ui/SheetTestSupport.h"
#include "ui/alert/Alert.h"

namespace vl::test {

// The sheet fixture with a record store and pin tab list in its private home, the pin screens installed
// and the bar across the top of a main view as wide as the main window. The edits take their rows from
// `selected`; research calls are counted.
class PinBarTest : public SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    window_->setFrame({100, 100, 680, 513}, false);
    VLEngine::shared().setTabDirectory(PinManager::tabDirectory());
    VLEngine::resetForTesting();
    VLEngine::shared().setFolders(home_.path());
    VLEngine::shared().load();
    pins().load();
    pins().activeTabOfId(kClipboardPinTabId);
    ui::resetBeepCount();
    PinTabEdits::Hooks hooks;
    hooks.selectedRows = [this] { return selected; };
    hooks.research = [this] { ++researches; };
    parts = PinScreens::install(std::move(hooks));
    bar()->setFrameOrigin({0, mainView_->frame().height() - bar()->frame().height()});
    mainView_->addSubview(bar());
  }

  void TearDown() override {
    ui::Menu::setHeadlessChooser(nullptr);
    PinScreens::resetForTesting();
    PreviewColumnHooks::install({});
    Vellisto_BigDoc::waitForPendingWrites();
    VLEngine::resetForTesting();
    VLEngine::shared().setTabDirectory(nullptr);
    SheetTest::TearDown();
  }

  static PinManager& pins() { return PinManager::shared(); }
  const std::shared_ptr<PinTabBar>& bar() const { return parts.bar; }
  std::shared_ptr<PinTabDetailController> form() const { return parts.detailPanel->page(); }
  std::shared_ptr<MoveToPinController> moveDialog() const { return parts.movePanel->page(); }

  // Pin tabs made as the form makes them.
  void addTabs(const std::vector<std::string>& names) {
    for (const auto& name : names) ASSERT_FALSE(parts.edits->addPinTabWithName(name, "", "1E90FF").empty());
  }

  // Tab names in bar order (by x), the clipboard tab as "clip".
  std::vector<std::string> barNames() const {
    auto tabs = bar()->tabs();
    std::sort(tabs.begin(), tabs.end(),
              [](const auto& a, const auto& b) { return a->frame().minX() < b->frame().minX(); });
    std::vector<std::string> out;
    for (const auto& t : tabs) out.push_back(t->enableMenu() ? t->name() : "clip");
    return out;
  }
  std::vector<std::string> listNames() const {
    std::vector<std::string> out;
    for (const auto& tab : pins().tabList()) out.push_back(tab->isClipboard() ? "clip" : tab->name());
    return out;
  }
  // The tab folders on disk as "name position bgColor", in name order.
  std::vector<std::string> folders() const {
    Vellisto_BigDoc::waitForPendingWrites();
    std::vector<std::string> out;
    for (const auto& name : files::listDirectory(home_.path() + "/.vellisto/pin").names) {
      auto f = PinTab::parseFolderName(name);
      out.push_back(f ? f->name + " " + std::to_string(f->position) + " " + f->bgColor : name);
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string activeName() const {
    auto tab = pins().activedTab();
    return tab->isClipboard() ? "clip" : tab->name();
  }

  // A right click on the tab that picks the menu entry of that title; false when the menu has none.
  bool chooseFromMenu(const std::string& tabName, const std::string& title) {
    bool found = false;
    ui::Menu::setHeadlessChooser([&](ui::Menu& menu) -> std::shared_ptr<ui::MenuItem> {
      auto item = menu.itemWithTitle(title);
      found = item != nullptr;
      return item;
    });
    for (const auto& tab : bar()->tabs()) {
      if (tab->name() == tabName) rightClickView(*tab);
    }
    ui::Menu::setHeadlessChooser(nullptr);
    events_.runUntilIdle();
    return found;
  }
  void rightClickView(ui::View& view) {
    events_.rightClick(window_,
                       view.convertPointToView({view.bounds().midX(), view.bounds().midY()}, nullptr));
  }
  // The alert shown over the main view, if any.
  std::shared_ptr<Alert> alertOver(ui::View& host) const {
    for (const auto& sub : host.subviews()) {
      if (auto alert = std::dynamic_pointer_cast<Alert>(sub)) return alert;
    }
    return nullptr;
  }

  PinScreens::Parts parts;
  DisplayRows selected;
  int researches = 0;
};

}  // namespace vl::test
