#include "pins/PinManager.h"

#include <algorithm>

#include "VLEngine/VLEngine.h"
#include "autopick/AutoPickForest.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

using Lock = RecursiveMutexLock;

// Work for views and hooks, gathered under the lock and run once it is released.
class Afterwards {
 public:
  void add(std::function<void()> step) {
    if (step) steps_.push_back(std::move(step));
  }
  void run() {
    for (auto& step : steps_) step();
    steps_.clear();
  }

 private:
  std::vector<std::function<void()>> steps_;
};

// Shorter names cannot hold an identifier ("lost+found", stray files).
constexpr std::size_t kMinFolderNameLength = 36;

}  // namespace

PinManager& PinManager::shared() {
  static PinManager manager;
  return manager;
}

std::shared_ptr<VLTabDirectory> PinManager::tabDirectory() {
  return std::shared_ptr<VLTabDirectory>(std::shared_ptr<VLTabDirectory>(), &shared());
}

void PinManager::setPinPath(const std::string& path) { VLEngine::shared().setPinPath(path); }

std::string PinManager::pinPath() const { return VLEngine::shared().pinPath(); }

void PinManager::setBarHooks(BarHooks hooks) {
  Lock lock(VLEngine::storeMutex());
  hooks_ = std::move(hooks);
}

void PinManager::resetForTesting() {
  Lock lock(VLEngine::storeMutex());
  tabList_.clear();
  activeIndex_ = 0;
  hooks_ = {};
}

// ---- loading ----

void PinManager::load() {
  Lock lock(VLEngine::storeMutex());
  tabList_.clear();
  activeIndex_ = 0;
  auto clipboard = PinTab::ofClipboard(VLEngine::shared().clipboardChain());
  clipboard->setActiveState(PinTab::kActive);
  tabList_.push_back(clipboard);
  const std::string pinFolder = pinPath();
  if (pinFolder.empty()) {
    logWarning("pin: no pin folder is set; only the clipboard tab is loaded");
    return;
  }
  if (!files::isDirectory(pinFolder) && !files::createDirectories(pinFolder)) {
    logErrorf("pin: cannot create the pin folder %s", pinFolder.c_str());
    return;
  }
  files::DirectoryListing listing = files::listDirectory(pinFolder);
  if (!listing.ok()) {
    logErrorf("pin: cannot list %s (%s)", pinFolder.c_str(), listing.error.c_str());
    return;
  }
  struct Entry {
    std::string folder;
    PinTab::FolderFields fields;
  };
  std::vector<Entry> entries;
  for (const std::string& name : listing.names) {
    if (name.size() < kMinFolderNameLength) continue;
    std::optional<PinTab::FolderFields> fields = PinTab::parseFolderName(name);
    if (!fields) {
      logWarningf("pin: %s is not a pin tab folder; passed by", name.c_str());
      continue;
    }
    if (!files::isDirectory(files::joinPath(pinFolder, name))) {
      logWarningf("pin: %s is not a folder; passed by", name.c_str());
      continue;
    }
    const bool duplicate = std::any_of(entries.begin(), entries.end(),
                                       [&](const Entry& e) { return e.fields.pinTabId == fields->pinTabId; });
    if (duplicate || fields->pinTabId == kClipboardPinTabId) {
      logWarningf("pin: %s repeats a tab identifier; passed by", name.c_str());
      continue;
    }
    entries.push_back({name, std::move(*fields)});
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.fields.position < b.fields.position; });
  for (const Entry& entry : entries) {
    std::shared_ptr<PinTab> tab = PinTab::fromFolder(entry.folder, pinFolder);
    if (!tab) continue;
    // Gaps and repeats in stored positions would break the position-is-index rule of the list.
    tab->setPosition(static_cast<std::int64_t>(tabList_.size()));
    tabList_.push_back(std::move(tab));
  }
}

// ---- reading the list ----

std::vector<std::shared_ptr<PinTab>> PinManager::tabList() const {
  Lock lock(VLEngine::storeMutex());
  return tabList_;
}

std::vector<std::shared_ptr<VLStoreTab>> PinManager::allTabs() const {
  Lock lock(VLEngine::storeMutex());
  return std::vector<std::shared_ptr<VLStoreTab>>(tabList_.begin(), tabList_.end());
}

std::size_t PinManager::tabCount() const {
  Lock lock(VLEngine::storeMutex());
  return tabList_.size();
}

std::shared_ptr<PinTab> PinManager::clipboardPinTab() const {
  Lock lock(VLEngine::storeMutex());
  VL_DCHECK_MSG(tabList_.empty() || tabList_.front()->isClipboard(), "tab 0 is the clipboard tab");
  return tabList_.empty() ? nullptr : tabList_.front();
}

std::shared_ptr<PinTab> PinManager::activedTab() const {
  Lock lock(VLEngine::storeMutex());
  if (activeIndex_ < 0 || static_cast<std::size_t>(activeIndex_) >= tabList_.size()) {
    return tabList_.empty() ? nullptr : tabList_.front();
  }
  return tabList_[static_cast<std::size_t>(activeIndex_)];
}

std::int64_t PinManager::activeIndex() const {
  Lock lock(VLEngine::storeMutex());
  return activeIndex_;
}

std::shared_ptr<PinTab> PinManager::getTabOfId(const std::string& pinTabId) const {
  Lock lock(VLEngine::storeMutex());
  for (const auto& tab : tabList_) {
    if (tab->pinTabId() == pinTabId) return tab;
  }
  return nullptr;
}

std::vector<std::shared_ptr<PinTab>> PinManager::getTabListExclude(const std::string& pinTabId) const {
  Lock lock(VLEngine::storeMutex());
  std::vector<std::shared_ptr<PinTab>> out;
  for (const auto& tab : tabList_) {
    if (tab->pinTabId() != pinTabId) out.push_back(tab);
  }
  return out;
}

std::int64_t PinManager::excludeFixedPinTabSize() const {
  Lock lock(VLEngine::storeMutex());
  return static_cast<std::int64_t>(tabList_.size()) - 1;
}

// ---- changing the list ----

void PinManager::activeTabOfId(const std::string& pinTabId) {
  Afterwards afterwards;
  {
    Lock lock(VLEngine::storeMutex());
    for (std::size_t i = 0; i < tabList_.size(); ++i) {
      std::shared_ptr<PinTab> tab = tabList_[i];
      if (tab->pinTabId() == pinTabId) {
        activeIndex_ = static_cast<std::int64_t>(i);
        afterwards.add([tab] { tab->active(); });
      } else {
        afterwards.add([tab] { tab->inactive(); });
      }
    }
  }
  afterwards.run();
}

std::shared_ptr<PinTab> PinManager::next() {
  std::shared_ptr<PinTab> tab;
  {
    Lock lock(VLEngine::storeMutex());
    if (tabList_.empty()) return nullptr;
    activeIndex_ = (activeIndex_ + 1) % static_cast<std::int64_t>(tabList_.size());
    tab = tabList_[static_cast<std::size_t>(activeIndex_)];
  }
  activeTabOfId(tab->pinTabId());
  return tab;
}

std::shared_ptr<PinTab> PinManager::addPinTab(const std::string& name, const std::string& txtColor,
                                              const std::string& bgColor) {
  Lock lock(VLEngine::storeMutex());
  const std::string pinFolder = pinPath();
  if (pinFolder.empty()) {
    logWarning("pin: no pin folder is set; no tab added");
    return nullptr;
  }
  const PinTab::FolderFields probe{kClipboardPinTabId, name, txtColor, bgColor,
                                   static_cast<std::int64_t>(tabList_.size())};
  if (!PinTab::canNameFolder(probe)) {
    logWarningf("pin: \"%s\" cannot name a tab; no tab added", name.c_str());
    return nullptr;
  }
  std::shared_ptr<PinTab> tab =
      PinTab::empty(name, txtColor, bgColor, static_cast<std::int64_t>(tabList_.size()), pinFolder);
  tabList_.push_back(tab);
  return tab;
}

void PinManager::deleteTabOfId(const std::string& pinTabId) {
  Afterwards afterwards;
  {
    Lock lock(VLEngine::storeMutex());
    std::optional<std::size_t> deleted;
    for (std::size_t i = 1; tabList_.size() > 1 && i < tabList_.size(); ++i) {
      std::shared_ptr<PinTab> tab = tabList_[i];
      if (tab->pinTabId() != pinTabId) continue;
      // The active index, not the view-driven state, says which tab the list shows: a tab whose view
      // never answered still counts as active.
      const bool wasActive = static_cast<std::size_t>(activeIndex_) == i;
      if (wasActive) {
        activeIndex_ = 0;
        std::shared_ptr<PinTab> clipboard = tabList_.front();
        afterwards.add([clipboard] { clipboard->active(); });
        afterwards.add(hooks_.research);
      }
      afterwards.add([tab] { tab->remove(); });
      tabList_.erase(tabList_.begin() + static_cast<std::ptrdiff_t>(i));
      deleted = i;
      if (static_cast<std::int64_t>(i) < activeIndex_) --activeIndex_;
      break;
    }
    if (deleted) {
      for (std::size_t i = 1; i < tabList_.size(); ++i) {
        std::shared_ptr<PinTab> tab = tabList_[i];
        if (tab->position() > static_cast<std::int64_t>(*deleted))
          afterwards.add([tab] { tab->moveForward(); });
        tab->reposition(static_cast<std::int64_t>(i));
      }
    }
    afterwards.add(hooks_.updateAddPinTabButtonState);
  }
  afterwards.run();
}

void PinManager::exchange(std::size_t left, std::size_t right) {
  VL_DCHECK_MSG(left > 0 && right > 0, "the clipboard tab never moves");
  std::swap(tabList_[left], tabList_[right]);
  if (static_cast<std::size_t>(activeIndex_) == left) {
    activeIndex_ = static_cast<std::int64_t>(right);
  } else if (static_cast<std::size_t>(activeIndex_) == right) {
    activeIndex_ = static_cast<std::int64_t>(left);
  }
  tabList_[left]->reposition(static_cast<std::int64_t>(left));
  tabList_[right]->reposition(static_cast<std::int64_t>(right));
}

void PinManager::moveForwardTabOfId(const std::string& pinTabId) {
  Afterwards afterwards;
  {
    Lock lock(VLEngine::storeMutex());
    for (std::size_t p = 2; p < tabList_.size(); ++p) {
      if (tabList_[p]->pinTabId() != pinTabId) continue;
      std::shared_ptr<PinTab> tab = tabList_[p];
      std::shared_ptr<PinTab> neighbour = tabList_[p - 1];
      afterwards.add([neighbour] { neighbour->moveBackward(); });
      afterwards.add([tab] { tab->moveForward(); });
      exchange(p - 1, p);
      break;
    }
  }
  afterwards.run();
}

void PinManager::moveBackwardTabOfId(const std::string& pinTabId) {
  Afterwards afterwards;
  {
    Lock lock(VLEngine::storeMutex());
    for (std::size_t p = 1; p + 1 < tabList_.size(); ++p) {
      if (tabList_[p]->pinTabId() != pinTabId) continue;
      std::shared_ptr<PinTab> tab = tabList_[p];
      std::shared_ptr<PinTab> neighbour = tabList_[p + 1];
      afterwards.add([neighbour] { neighbour->moveForward(); });
      afterwards.add([tab] { tab->moveBackward(); });
      exchange(p, p + 1);
      break;
    }
  }
  afterwards.run();
}

// ---- auto-pick ----

std::vector<std::string> PinManager::autoPick(const std::shared_ptr<Vellisto_Chunk>& chunk,
                                              const Json& extra) {
  if (!chunk) return {};
  std::vector<std::pair<std::string, std::shared_ptr<AutoPickForest>>> rules;
  {
    Lock lock(VLEngine::storeMutex());
    for (std::size_t i = 1; i < tabList_.size(); ++i) {
      if (auto forest = tabList_[i]->autoPickForest()) rules.emplace_back(tabList_[i]->pinTabId(), forest);
    }
  }
  // The record as it is now; the rules then run without any lock, since a user's expression may take
  // up to its time limit.
  const std::string& context = chunk->context();
  const Json json = chunk->json().value_or(Json::object());
  std::vector<std::string> picked;
  for (const auto& [id, forest] : rules) {
    if (forest->canPick(context, json, extra)) picked.push_back(id);
  }
  return picked;
}

}  // namespace vl
