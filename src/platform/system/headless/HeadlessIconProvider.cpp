#include "platform/system/headless/HeadlessIconProvider.h"

#include "platform/foundation/Files.h"

namespace vl {

namespace {

ui::ImageRef placeholder(double points, const std::string& name) {
  const double side = points > 0 ? points : 0;
  return std::make_shared<const ui::Image>(ui::Size{side, side}, name);
}

}  // namespace

ui::ImageRef HeadlessIconProvider::iconForFile(const std::string& path, double points, int) const {
  return placeholder(points, files::isDirectory(path) ? "folder" : "text-x-generic");
}

ui::ImageRef HeadlessIconProvider::iconForApplication(const std::string&, double points, int) const {
  return placeholder(points, "application-x-executable");
}

ui::ImageRef HeadlessIconProvider::iconNamed(const std::string& name, double points, int) const {
  return placeholder(points, name);
}

}  // namespace vl
