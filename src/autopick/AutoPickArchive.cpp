#include "autopick/AutoPickArchive.h"

#include "autopick/AutoPickForest.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"

namespace vl {

std::string AutoPickArchive::defaultsKey(const std::string& pinTabId) { return "auto_pick_" + pinTabId; }

bool AutoPickArchive::store(const AutoPickForest& forest, const std::string& pinTabId,
                            UserDefaults& defaults) {
  return defaults.setObject(defaultsKey(pinTabId), forest.encodeWithCoder());
}

bool AutoPickArchive::store(const AutoPickForest& forest, const std::string& pinTabId) {
  return store(forest, pinTabId, UserDefaults::standard());
}

std::shared_ptr<AutoPickForest> AutoPickArchive::load(const std::string& pinTabId, UserDefaults& defaults) {
  std::string key = defaultsKey(pinTabId);
  auto stored = defaults.object(key);
  if (!stored || stored->is_null()) return nullptr;
  auto forest = AutoPickForest::initWithCoder(*stored);
  if (!forest)
    logWarning("auto pick: the rules stored under " + key + " are unreadable; the tab picks nothing");
  return forest;
}

std::shared_ptr<AutoPickForest> AutoPickArchive::load(const std::string& pinTabId) {
  return load(pinTabId, UserDefaults::standard());
}

}  // namespace vl
