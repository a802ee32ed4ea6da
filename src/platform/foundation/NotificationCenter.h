#pragma once

#include <any>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"

namespace vl {

struct Notification {
  std::string name;
  // The poster's identity; observers may filter on it. Never dereferenced by the centre.
  const void* object = nullptr;
  // Plain data.
  Json userInfo;
  // Objects that are not plain data (a copy entity, a node), by key.
  std::map<std::string, std::any> objects;

  // The object stored under `key` if it holds a T, else nullptr.
  template <typename T>
  const T* objectAs(const std::string& key) const {
    auto it = objects.find(key);
    return it == objects.end() ? nullptr : std::any_cast<T>(&it->second);
  }
};

using ObserverId = std::uint64_t;

class NotificationCenter;

// Removes its observation when destroyed; move-only. Holding one as a member ties an observation to
// its owner's lifetime, so no block outlives the object it captured.
class Observation {
 public:
  Observation() = default;
  Observation(NotificationCenter* center, ObserverId id) : center_(center), id_(id) {}
  Observation(Observation&& other) noexcept;
  Observation& operator=(Observation&& other) noexcept;
  Observation(const Observation&) = delete;
  Observation& operator=(const Observation&) = delete;
  ~Observation() { reset(); }

  void reset();
  ObserverId id() const { return id_; }
  // Forgets the observation without removing it.
  ObserverId release();

 private:
  NotificationCenter* center_ = nullptr;
  ObserverId id_ = 0;
};

// In-process notifications. Delivery is synchronous on the posting thread, in the order observers were
// added. Observers may add or remove observers (themselves included) while a notification is being
// delivered: a removed observer that has not run yet does not run, and an observer added during a
// delivery first hears the next post. Once removeObserver returns, the block is not started again; a
// call already running on another thread is not waited for (that could deadlock two observers removing
// each other). Thread-safe.
class NotificationCenter {
 public:
  using Block = std::function<void(const Notification&)>;

  NotificationCenter() = default;
  NotificationCenter(const NotificationCenter&) = delete;
  NotificationCenter& operator=(const NotificationCenter&) = delete;

  static NotificationCenter& defaultCenter();
  static NotificationCenter& shared() { return defaultCenter(); }

  // name "" observes every name; object nullptr observes every poster. `owner` groups observations so
  // removeObservers(owner, ...) can drop them the way an observer object unregisters itself.
  ObserverId addObserver(const std::string& name, const void* object, Block block,
                         const void* owner = nullptr);
  // The same, handing back an RAII handle.
  [[nodiscard]] Observation observe(const std::string& name, const void* object, Block block);

  void removeObserver(ObserverId id);
  // Removes the owner's observations that match `name` ("" = any) and `object` (nullptr = any).
  void removeObservers(const void* owner, const std::string& name = {}, const void* object = nullptr);

  void post(const Notification& notification);
  void post(const std::string& name, const void* object = nullptr, Json userInfo = nullptr,
            std::map<std::string, std::any> objects = {});

  std::size_t observerCount() const;

 private:
  struct Entry {
    ObserverId id;
    std::string name;
    const void* object;
    const void* owner;
    Block block;
    std::atomic<bool> alive{true};
  };
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<Entry>> entries_;
  ObserverId nextId_ = 1;
};

}  // namespace vl
