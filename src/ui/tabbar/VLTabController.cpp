#include "ui/tabbar/VLTabController.h"

#include "platform/foundation/Log.h"
#include "theme/VLThemeCategories.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {

const std::shared_ptr<ui::View>& VLTabController::view() {
  if (!view_) view_ = ui::View::create();
  return view_;
}

const std::shared_ptr<Line>& VLTabController::line() {
  if (!line_) {
    line_ = Line::ofWidth(0);
    view()->addSubview(line_);
  }
  return line_;
}

void VLTabController::setTabBar(const std::shared_ptr<VLTabBar>& bar) {
  if (bar == tabBar_) return;
  tabBar_ = bar;
  if (!bar) return;
  bar->setDelegate(shared_from_this());
  view()->addSubview(bar);
  bar->setFrameSize({static_cast<double>(bar->itemCount()) * kItemSize.width, kItemSize.height});
}

void VLTabController::tabBarDidClickItem(VLTabBar&, VLTabBarItem& item) {
  const auto& controller = item.viewController();
  if (!controller || !tabBar_) {
    logWarning("VLTabController: a tab without a page, nothing shown");
    return;
  }
  double T = 0;
  if (const auto& pref = MainViewHooks::current().preferencesWindow) {
    if (ui::Window* window = pref()) T = titlebarHeight(*window);
  }
  const auto& page = controller->view();
  auto& V = view();
  V->addSubview(page);
  double barHeight = tabBar_->frame().height();
  V->setFrameSize({page->frame().width(), page->frame().height() + barHeight + T + 1});
  tabBar_->setFrame({5, V->frame().height() - barHeight - T, V->frame().width() - 5, barHeight});
  line()->setFrame({0, tabBar_->frame().origin.y - 1, V->frame().width(), 1});
  if (delegate_) {
    delegate_->tabControllerDidChangeHeight(
        *this, static_cast<float>(T + page->frame().height() + barHeight + 1), item);
  }
}

}  // namespace vl
