#include "startup/WindowHooks.h"

#include <memory>

#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/QuickAccess.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/list/RowServices.h"
#include "Windows/Main/paste/PastePopoverViewController.h"
#include "Windows/Main/preview/Complement.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "Windows/Record/RecordTable.h"
#include "Windows/Record/RecordViewController.h"
#include "core/apps/AppInstalledManager.h"
#include "core/web/WebSearchBrowser.h"
#include "platform/ui/menu/StatusItem.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/window/WindowServer.h"
#include "startup/AppDelegate.h"
#include "statusbar/VLStatusBar.h"
#include "ui/VLTextField.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {

namespace {

std::shared_ptr<MainViewController> mainController() {
  return std::dynamic_pointer_cast<MainViewController>(QuickAccess::mainViewController());
}

std::shared_ptr<Complement> complement() {
  auto controller = mainController();
  return controller ? std::dynamic_pointer_cast<Complement>(controller->chunkContent()->complement())
                    : nullptr;
}

}  // namespace

std::optional<ui::Rect> pastePopoverAnchor(const PointerLocationSource& pointer) {
  if (const auto& item = VLStatusBar::shared().getStatusItem()) {
    if (std::optional<ui::Rect> icon = item->iconFrameOnScreen()) return icon;
  }
  if (std::optional<ui::Point> at = pointer ? pointer() : std::nullopt) {
    return ui::Rect{at->x - 1, at->y - 1, 2, 2};
  }
  return std::nullopt;
}

std::string webSearchBrowserPath() {
  // The desktop's own handler has no entry of ours to take an icon from.
  const std::string chosen = WebSearchBrowser::chosen();
  if (chosen.empty() || chosen == WebSearchBrowser::kDefaultBrowser) return {};
  return AppInstalledManager::shared().getAppPath(chosen);
}

void installWindowHooks() {
  MainViewHooks panels = MainViewHooks::current();
  panels.setPreviewSelection = [](bool selection) {
    if (auto column = complement()) column->preview()->setSelection(selection);
  };
  panels.focusSearchInput = [](bool focus) {
    auto controller = mainController();
    if (!controller) return;
    if (focus) {
      controller->searchInput()->focusField();
    } else {
      controller->searchInput()->unfocusField();
    }
  };
  panels.closeSyncBar = [] {
    if (auto column = complement()) column->closeSyncbar();
  };
  panels.setSyncBarEnabled = [](bool enabled) {
    if (auto column = complement()) column->setSyncbarEnabled(enabled);
  };
  panels.setToolbarEnabled = [](bool enabled) {
    if (auto column = complement()) column->toolbar()->setEnabled(enabled);
  };
  // There is no status item button to hang the popover under on a desktop: the tray tells where its
  // icon is (an XEmbed tray does, a StatusNotifierItem host does not), else the pointer marks the spot.
  PointerLocationSource pointer = ui::WindowServer::installed() ? pointerLocationSource() : nullptr;
  panels.pastePopoverAnchor = [pointer] { return pastePopoverAnchor(pointer); };
  MainViewHooks::install(std::move(panels));

  RowServices::setIconProvider(&RowServices::workspaceIcon);
  RowServices::setBrowserPath(webSearchBrowserPath);

  PreviewColumnHooks column = PreviewColumnHooks::current();
  column.deleteRecordRow = [](long row) {
    if (auto table = RecordViewController::recordTable()) table->deleteAtRow(row);
  };
  PreviewColumnHooks::install(std::move(column));

  VLTextField::setSearchInputProvider([]() -> std::shared_ptr<ui::View> {
    auto controller = mainController();
    return controller ? controller->searchInput()->textField() : nullptr;
  });
  PastePopoverViewController::setSelectedTextSource([] {
    auto controller = mainController();
    return controller ? controller->hintTable()->multipleSelectedString() : std::string();
  });
}

}  // namespace vl
