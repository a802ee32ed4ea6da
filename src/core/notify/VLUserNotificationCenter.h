#pragma once

#include <string>

namespace vl {

// Desktop notices about sync devices coming and going.
class VLUserNotificationCenter {
 public:
  // An empty device name delivers nothing.
  static void deliverDeviceConnected(const std::string& deviceName);
  static void deliverDeviceDisconnected(const std::string& deviceName);
};

}  // namespace vl
