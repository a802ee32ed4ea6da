#include "core/notify/VLAppNotifcationCenter.h"

#include <algorithm>
#include <cstdlib>

#include "core/VLConfig.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// A stored time stamp read as a number; text that is not one sorts as 0, oldest.
double timestampValue(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return end == text.c_str() ? 0 : value;
}

}  // namespace

VLAppNotifcationCenter& VLAppNotifcationCenter::shared() {
  static VLAppNotifcationCenter instance(DistributedNotificationCenter::defaultCenter());
  return instance;
}

VLAppNotifcationCenter::VLAppNotifcationCenter(DistributedNotificationCenter& center)
    : center_(center), queue_(dispatch::Queue::concurrent("")) {
  observerId_ =
      center_.addObserver(getUpdateNameOfGroupUserDefaultsKey(VLConfig::kMainHotKey), kPreferencesAppId,
                          [this](const DistributedNotification&) { updateHotkey(); });
}

VLAppNotifcationCenter::~VLAppNotifcationCenter() { center_.removeObserver(observerId_); }

std::string VLAppNotifcationCenter::getFetchNameOfGroupUserDefaultsKey(long key) {
  return "VELLISTO_pref_fetch_" + std::to_string(key);
}

std::string VLAppNotifcationCenter::getUpdateNameOfGroupUserDefaultsKey(long key) {
  return "VELLISTO_pref_update_" + std::to_string(key);
}

std::string VLAppNotifcationCenter::getSendNameOfGroupUserDefaultsKey(long key) {
  return "VELLISTO_pref_send_" + std::to_string(key);
}

void VLAppNotifcationCenter::setRegisterHotKeyHook(RegisterHotKeyHook hook) {
  std::lock_guard lock(mutex_);
  registerHotKey_ = std::move(hook);
}

void VLAppNotifcationCenter::updateHotkey() {
  const HokeyStruct hotKey = VLConfig::shared().getHotkeyValueOfKey(VLConfig::kMainHotKey);
  if (hotKey.isEmpty()) {
    // Registering the empty hot key {-1, -1, -1} would only leave a dead registration behind.
    logWarning("updateHotkey: no main hot key stored");
    return;
  }
  RegisterHotKeyHook hook;
  {
    std::lock_guard lock(mutex_);
    hook = registerHotKey_;
  }
  if (!hook) {
    logWarning("updateHotkey: no status bar to register with");
    return;
  }
  hook(hotKey.hotKeyID, "", hotKey.keyCode, hotKey.modifierFlags, hotKey.doubleTap);
}

bool VLAppNotifcationCenter::hasRegisterHotKeyHook() const {
  std::lock_guard lock(mutex_);
  return static_cast<bool>(registerHotKey_);
}

void VLAppNotifcationCenter::setSnippetsStore(std::shared_ptr<SnippetsStore> store) {
  std::lock_guard lock(mutex_);
  store_ = std::move(store);
}

std::shared_ptr<VLAppNotifcationCenter::SnippetsStore> VLAppNotifcationCenter::snippetsStore() const {
  std::lock_guard lock(mutex_);
  return store_;
}

void VLAppNotifcationCenter::mergeSnippetsInBackground() {
  queue_->async([this] { mergeSnippets(); });
}

bool VLAppNotifcationCenter::mergeSnippets() {
  std::lock_guard merging(mergeMutex_);
  return mergeLocked();
}

bool VLAppNotifcationCenter::mergeLocked() {
  auto& config = VLConfig::shared();
  if (!config.getBoolValueOfKey(VLConfig::kSnippetsMerge)) return false;
  const Json changes = config.getValueOfKey(VLConfig::kSnippetsMirror).value_or(Json());
  if (changes.is_null() || changes.empty()) return false;
  if (!changes.is_array()) {
    logWarning("mergeSnippets: key 106 is not a list, nothing merged");
    return false;
  }
  auto store = snippetsStore();
  if (!store) {
    // Key 110 stays set, so the change list is merged once the store is there.
    logWarning("mergeSnippets: no record store yet");
    return false;
  }

  for (std::size_t i = 0; i < changes.size(); ++i) {
    const Json& entry = changes[i];
    if (!entry.is_object()) {
      logWarningf("mergeSnippets: entry %zu is not a dictionary, skipped", i);
      continue;
    }
    const std::string action = jsonString(entry, "action");
    const std::string digest = jsonString(entry, "digest");
    const std::string content = jsonString(entry, "content");
    const std::string name = jsonString(entry, "name");
    const bool isUpdate = action == "update";
    if (isUpdate && digest.empty()) continue;
    if (isUpdate || action == "add") {
      if (content.empty()) {
        // An empty record is one capture would never store; the old record (for an update) stays too.
        logWarningf("mergeSnippets: entry %zu has no content, skipped", i);
        continue;
      }
      if (isUpdate) store->delChunkByDigest(digest);
      if (store->findContext(content)) {
        store->updateContext(content, name);
      } else {
        store->append(content, name);
      }
    } else if (action == "del") {
      if (!digest.empty()) store->delChunkByDigest(digest);
    }
  }
  store->clearClipboardCachedFile();
  saveSnippets(*store);
  logf("mergeSnippets: %zu changes of the preferences program merged", changes.size());
  return true;
}

void VLAppNotifcationCenter::saveSnippets() {
  auto store = snippetsStore();
  if (!store) {
    logWarning("saveSnippets: no record store yet");
    return;
  }
  std::lock_guard merging(mergeMutex_);
  // Key 106 may hold a change list the preferences program left and nobody merged yet: overwriting it
  // would lose those changes, so they are applied first (the merge writes the snippets back itself).
  if (!mergeLocked()) saveSnippets(*store);
}

void VLAppNotifcationCenter::saveSnippets(SnippetsStore& store) {
  auto records = store.getHasAliasChunks();
  std::stable_sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
    return timestampValue(a.timestamp) > timestampValue(b.timestamp);
  });
  Json list = Json::array();
  for (const auto& record : records) {
    // Records with a json of their own (files, images) are not snippets; HTML copies still are.
    const bool hasJson = record.json.is_object() && !record.json.empty();
    if (hasJson && !record.json.contains("html")) continue;
    list.push_back({{"digest", record.signature}, {"content", record.context}, {"name", record.alias}});
  }
  auto& config = VLConfig::shared();
  config.setValueOfKey(VLConfig::kSnippetsMirror, list);
  config.setBoolValueOfKey(VLConfig::kSnippetsMerge, false);
}

}  // namespace vl
