#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "VLEngine/VLTabDirectory.h"
#include "pins/PinTab.h"
#include "platform/foundation/Json.h"

namespace vl {

class Vellisto_Chunk;

// The ordered list of tabs; index 0 is always the clipboard tab and a tab's position is its index.
//
// The list and the active index are guarded by the record store's lock (VLEngine::storeMutex), so the
// capture queue and the sync loop read a list that the main thread is not halfway through changing.
// Views and bar hooks are called after the lock is released.
//
// The record store reaches the list as its tab directory, which start-up installs (tabDirectory()).
class PinManager final : public VLTabDirectory {
 public:
  // What the tab bar does after a change of the list; empty until the bar installs them.
  struct BarHooks {
    // Runs the current search again for the active tab.
    std::function<void()> research;
    // Shows or hides the add button for the new number of tabs.
    std::function<void()> updateAddPinTabButtonState;
  };

  static PinManager& shared();
  // The shared manager as the record store's tab directory. It does not own the manager, which lives
  // as long as the program.
  static std::shared_ptr<VLTabDirectory> tabDirectory();

  // The pin folder is one of the record store's folders (VLEngine::setFolders); these reach it there.
  void setPinPath(const std::string& path);
  std::string pinPath() const;
  void setBarHooks(BarHooks hooks);
  const BarHooks& barHooks() const { return hooks_; }

  // Reads every tab folder of the pin folder (creating it when missing), after the clipboard tab made
  // from the record store's chain. Folder entries that are not tab folders are passed by with a log
  // line; positions become the list indexes.
  void load();
  // Drops every tab and the hooks.
  void resetForTesting() override;

  // A snapshot of the list.
  std::vector<std::shared_ptr<PinTab>> tabList() const;
  std::size_t tabCount() const;
  std::shared_ptr<PinTab> clipboardPinTab() const;
  std::shared_ptr<PinTab> activedTab() const;
  std::int64_t activeIndex() const;
  std::shared_ptr<PinTab> getTabOfId(const std::string& pinTabId) const;
  std::vector<std::shared_ptr<PinTab>> getTabListExclude(const std::string& pinTabId) const;
  // The pin tabs beside the clipboard tab.
  std::int64_t excludeFixedPinTabSize() const;

  // Makes the tab with the identifier the active one and every other inactive. An unknown identifier
  // makes every tab inactive and keeps the active index.
  void activeTabOfId(const std::string& pinTabId);
  // The tab after the active one (the clipboard tab after the last), made active.
  std::shared_ptr<PinTab> next();
  // A new tab at the end of the list, not activated; nullptr (logged) for a name or colour that cannot
  // stand in a folder name.
  std::shared_ptr<PinTab> addPinTab(const std::string& name, const std::string& txtColor,
                                    const std::string& bgColor);
  // Deletes a pin tab with its view and folder; the clipboard tab is never deleted.
  void deleteTabOfId(const std::string& pinTabId);
  // Exchanges the tab with its left (right) neighbour; the clipboard tab never moves.
  void moveForwardTabOfId(const std::string& pinTabId);
  void moveBackwardTabOfId(const std::string& pinTabId);

  // The identifiers of the pin tabs, in list order, whose rules accept the record with the extra
  // values ({"app_name": the front application}). Never the clipboard tab; changes nothing.
  std::vector<std::string> autoPick(const std::shared_ptr<Vellisto_Chunk>& chunk, const Json& extra);

  // VLTabDirectory
  std::shared_ptr<VLStoreTab> clipboardTab() const override { return clipboardPinTab(); }
  std::shared_ptr<VLStoreTab> activeTab() const override { return activedTab(); }
  std::shared_ptr<VLStoreTab> tabOfId(const std::string& pinTabId) const override {
    return getTabOfId(pinTabId);
  }
  std::vector<std::shared_ptr<VLStoreTab>> allTabs() const override;

 private:
  PinManager() = default;
  void exchange(std::size_t left, std::size_t right);

  std::int64_t activeIndex_ = 0;
  std::vector<std::shared_ptr<PinTab>> tabList_;
  BarHooks hooks_;
};

}  // namespace vl
