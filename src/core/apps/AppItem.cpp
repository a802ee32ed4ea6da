#include "core/apps/AppItem.h"

#include <utility>

namespace vl {

AppItem::AppItem(std::string appName, std::string iconPath)
    : appName_(std::move(appName)), iconPath_(std::move(iconPath)) {}

}  // namespace vl
