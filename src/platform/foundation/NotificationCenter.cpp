#include "platform/foundation/NotificationCenter.h"

#include <exception>

#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"

namespace vl {

Observation::Observation(Observation&& other) noexcept : center_(other.center_), id_(other.id_) {
  other.center_ = nullptr;
  other.id_ = 0;
}

Observation& Observation::operator=(Observation&& other) noexcept {
  if (this != &other) {
    reset();
    center_ = other.center_;
    id_ = other.id_;
    other.center_ = nullptr;
    other.id_ = 0;
  }
  return *this;
}

void Observation::reset() {
  if (center_ && id_) center_->removeObserver(id_);
  center_ = nullptr;
  id_ = 0;
}

ObserverId Observation::release() {
  ObserverId id = id_;
  center_ = nullptr;
  id_ = 0;
  return id;
}

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter* center = new NotificationCenter();  // outlives static destructors
  return *center;
}

ObserverId NotificationCenter::addObserver(const std::string& name, const void* object, Block block,
                                           const void* owner) {
  if (!block) {
    logWarningf("notification: observer of \"%s\" without a block ignored", name.c_str());
    return 0;
  }
  auto entry = std::make_shared<Entry>();
  entry->name = name;
  entry->object = object;
  entry->owner = owner;
  entry->block = std::move(block);
  std::lock_guard<std::mutex> lock(mutex_);
  entry->id = nextId_++;
  entries_.push_back(entry);
  return entry->id;
}

Observation NotificationCenter::observe(const std::string& name, const void* object, Block block) {
  ObserverId id = addObserver(name, object, std::move(block));
  return Observation(id ? this : nullptr, id);
}

void NotificationCenter::removeObserver(ObserverId id) {
  if (id == 0) return;
  std::shared_ptr<Entry> removed;  // destroyed outside the lock: the block may own objects that post
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if ((*it)->id == id) {
      (*it)->alive = false;
      removed = std::move(*it);
      entries_.erase(it);
      break;
    }
  }
}

void NotificationCenter::removeObservers(const void* owner, const std::string& name, const void* object) {
  std::vector<std::shared_ptr<Entry>> removed;
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = entries_.begin(); it != entries_.end();) {
    const Entry& e = **it;
    bool match = e.owner == owner && (name.empty() || e.name == name) && (!object || e.object == object);
    if (match) {
      (*it)->alive = false;
      removed.push_back(std::move(*it));
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
}

void NotificationCenter::post(const Notification& notification) {
  std::vector<std::shared_ptr<Entry>> targets;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& e : entries_) {
      if (!e->name.empty() && e->name != notification.name) continue;
      if (e->object && e->object != notification.object) continue;
      targets.push_back(e);
    }
  }
  for (const auto& e : targets) {
    // An earlier observer of this same post may have removed this one.
    if (!e->alive) continue;
    try {
      e->block(notification);
    } catch (const std::exception& ex) {
      reportUncaughtException("notification: observer of", notification.name.c_str(), &ex);
    } catch (...) {
      reportUncaughtException("notification: observer of", notification.name.c_str(), nullptr);
    }
  }
}

void NotificationCenter::post(const std::string& name, const void* object, Json userInfo,
                              std::map<std::string, std::any> objects) {
  Notification n;
  n.name = name;
  n.object = object;
  n.userInfo = std::move(userInfo);
  n.objects = std::move(objects);
  post(n);
}

std::size_t NotificationCenter::observerCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

}  // namespace vl
