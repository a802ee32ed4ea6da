#include "core/notify/VLNotificationCenter.h"

#include <utility>

namespace vl {

ObserverId VLNotificationCenter::addObserver(const void* observer, NotificationCenter::Block selector,
                                             const std::string& name, const void* object) {
  return NotificationCenter::defaultCenter().addObserver(name, object, std::move(selector), observer);
}

void VLNotificationCenter::postNotificationName(const std::string& name, const void* object, Json userInfo,
                                                std::map<std::string, std::any> objects) {
  NotificationCenter::defaultCenter().post(name, object, std::move(userInfo), std::move(objects));
}

void VLNotificationCenter::removeObserver(const void* observer, const std::string& name, const void* object) {
  NotificationCenter::defaultCenter().removeObservers(observer, name, object);
}

}  // namespace vl
