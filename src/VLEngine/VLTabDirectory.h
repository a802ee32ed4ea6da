#pragma once

#include <memory>
#include <string>
#include <vector>

#include "VLEngine/VLStoreTab.h"

namespace vl {

// What the record store needs of the list of tabs. The list is built above this folder, so it
// implements this and start-up installs it (VLEngine::setTabDirectory); until then the store answers
// for the clipboard history alone. Calls come from any thread, with or without the store's lock held;
// the list takes that same lock.
class VLTabDirectory {
 public:
  virtual ~VLTabDirectory() = default;

  // Tab 0, over the store's own chain; nullptr while the list is not loaded.
  virtual std::shared_ptr<VLStoreTab> clipboardTab() const = 0;
  // The tab that searches and listings look at; nullptr while the list is not loaded.
  virtual std::shared_ptr<VLStoreTab> activeTab() const = 0;
  virtual std::shared_ptr<VLStoreTab> tabOfId(const std::string& pinTabId) const = 0;
  // Every tab in list order, the clipboard tab first.
  virtual std::vector<std::shared_ptr<VLStoreTab>> allTabs() const = 0;
  // The store was emptied for a test: the tabs, which hold its chains, are dropped with it.
  virtual void resetForTesting() = 0;
};

}  // namespace vl
