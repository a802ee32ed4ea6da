#pragma once

#include <any>
#include <map>
#include <string>

#include "platform/foundation/Json.h"
#include "platform/foundation/NotificationCenter.h"

namespace vl {

// The program's named notifications, all on the default centre. The observer pointer groups an
// object's observations so it can drop them all when it goes away.
class VLNotificationCenter {
 public:
  static ObserverId addObserver(const void* observer, NotificationCenter::Block selector,
                                const std::string& name, const void* object = nullptr);
  static void postNotificationName(const std::string& name, const void* object = nullptr,
                                   Json userInfo = nullptr, std::map<std::string, std::any> objects = {});
  // name "" and object nullptr match every observation of the observer.
  static void removeObserver(const void* observer, const std::string& name = {},
                             const void* object = nullptr);
};

}  // namespace vl
