#include "platform/ui/window/Screen.h"

namespace vl::ui {

namespace {

std::vector<std::shared_ptr<Screen>> defaultScreens() {
  Rect frame{0, 0, 1440, 900};
  return {std::make_shared<Screen>(frame, frame, 1, "headless")};
}

std::vector<std::shared_ptr<Screen>>& current() {
  static std::vector<std::shared_ptr<Screen>> list = defaultScreens();
  return list;
}

}  // namespace

std::vector<std::shared_ptr<Screen>> Screen::screens() { return current(); }

std::shared_ptr<Screen> Screen::mainScreen() { return current().empty() ? nullptr : current().front(); }

void Screen::setScreens(std::vector<Screen> screens) {
  std::vector<std::shared_ptr<Screen>> list;
  for (auto& s : screens) list.push_back(std::make_shared<Screen>(std::move(s)));
  current() = std::move(list);
}

void Screen::resetToDefault() { current() = defaultScreens(); }

}  // namespace vl::ui
