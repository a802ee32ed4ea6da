#pragma once

#include <memory>
#include <string>

#include "platform/foundation/Json.h"

namespace vl {

class AutoPickForest;
class UserDefaults;

// Where a pin tab's rules live: the forest's archive in the standard user defaults under
// "auto_pick_<pinTabId>". The pin tab calls these when it first needs its forest and whenever the
// editor replaces it.
class AutoPickArchive {
 public:
  static std::string defaultsKey(const std::string& pinTabId);

  // Replaces whatever is stored for the tab. false when the defaults file could not be written (logged
  // there; the value is still kept in memory).
  [[nodiscard]] static bool store(const AutoPickForest& forest, const std::string& pinTabId,
                                  UserDefaults& defaults);
  [[nodiscard]] static bool store(const AutoPickForest& forest, const std::string& pinTabId);

  // nullptr when nothing is stored (the tab picks nothing) and when what is stored is not a forest this
  // program wrote (logged, and left in place untouched).
  static std::shared_ptr<AutoPickForest> load(const std::string& pinTabId, UserDefaults& defaults);
  static std::shared_ptr<AutoPickForest> load(const std::string& pinTabId);
};

}  // namespace vl
