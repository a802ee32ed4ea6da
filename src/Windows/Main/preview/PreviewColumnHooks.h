#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vl {

namespace ui {
class View;
}
class HintTable2;

// What the preview column, the preview switch and the context menus need of the main window and of the
// pin tabs, which sit above this folder. The main window installs them; every empty member does nothing
// (the active tab is then the clipboard history, alerts show over the main view of MainViewHooks).
struct PreviewColumnHooks {
  std::function<std::shared_ptr<HintTable2>()> list;
  // The column beside the list that the preview switch slides away.
  std::function<std::shared_ptr<ui::View>()> previewArea;
  std::function<std::string()> activeTabId;
  std::function<bool()> blocked;
  std::function<void(bool)> setSearchEditable;
  std::function<void()> focusSearchInput;
  std::function<ui::View*()> alertHost;
  // The pin tabs, the clipboard tab first.
  std::function<std::vector<std::string>()> pinTabIds;
  std::function<void(const std::string&)> showPinTabDetail;
  std::function<void(const std::string&)> deletePinTab;
  std::function<void(const std::string&)> moveForwardPinTab;
  std::function<void(const std::string&)> moveBackwardPinTab;
  // Makes the tab after the active one active (the clipboard tab after the last).
  std::function<void()> nextPinTab;
  // The record window's table deletes the row.
  std::function<void(long)> deleteRecordRow;

  static const PreviewColumnHooks& current();
  // An empty set restores the defaults.
  static void install(PreviewColumnHooks hooks);

  std::shared_ptr<HintTable2> listOrNull() const { return list ? list() : nullptr; }
  std::string tabId() const;
  ui::View* hostOrNull() const;
  bool isBlocked() const { return blocked && blocked(); }
};

}  // namespace vl
