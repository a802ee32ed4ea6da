#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"

namespace vl {

class VLThemeObject;

// Keeps the asset keys of platform objects beside them and re-applies them on every theme or light/dark
// change. One entry per object, found by address and confirmed by the object's shared_ptr control block,
// so a new object at a dead one's address never inherits its keys. Used by VLThemeCategories; a new
// platform category adds a slot name and an applier, nothing here.
class VLAssetKeyStore {
 public:
  // Runs an object's category lightOrDarkChanged; `object` is the pointer given when it was followed.
  using Applier = void (*)(void* object);
  struct Handle {
    void* object = nullptr;              // the platform object, typed by the caller
    std::weak_ptr<const void> identity;  // its shared_ptr control block
    Applier applier = nullptr;
    VLThemeObject* selfFollowing = nullptr;  // set when the object subscribes on its own
  };

  static VLAssetKeyStore& shared();

  // Starts following the object (idempotent). False when it is not held by a shared_ptr: such an
  // object cannot be told apart from a later one at its address, so it is not followed (logged once).
  bool follow(const Handle& handle);
  // Stores the key under `slot` and follows the object; false as for follow (the key is not kept).
  bool setKey(const Handle& handle, const std::string& slot, std::optional<std::string> key);
  // The key stored under `slot`, nullopt when none.
  std::optional<std::string> key(const void* object, const std::weak_ptr<const void>& identity,
                                 const std::string& slot) const;

  // Re-applies every live object that does not subscribe on its own; drops dead entries.
  void reapplyAll();
  // Live entries.
  std::size_t followedCount() const;

 private:
  struct Entry {
    Handle handle;
    std::map<std::string, std::optional<std::string>> keys;
  };
  static bool sameObject(const std::weak_ptr<const void>& a, const std::weak_ptr<const void>& b);
  Entry* findLocked(const void* object, const std::weak_ptr<const void>& identity);
  void subscribeLocked();

  mutable std::mutex mutex_;
  std::map<const void*, Entry> entries_;
  bool subscribed_ = false;
  bool loggedUnowned_ = false;
  Observation appearance_;
  Observation automatic_;
  Observation theme_;
};

}  // namespace vl
