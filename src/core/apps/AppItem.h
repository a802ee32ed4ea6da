#pragma once

#include <string>

namespace vl {

// An installed application as a list shows it: its name and the icon to draw beside it.
class AppItem {
 public:
  AppItem() = default;
  AppItem(std::string appName, std::string iconPath);

  const std::string& appName() const { return appName_; }
  const std::string& iconPath() const { return iconPath_; }

  bool operator==(const AppItem&) const = default;

 private:
  std::string appName_;
  std::string iconPath_;
};

}  // namespace vl
