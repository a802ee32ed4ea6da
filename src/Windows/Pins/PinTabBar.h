#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Windows/Pins/PinTabBarTab.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/graphics/BezierPath.h"
#include "ui/controls/Button3.h"
#include "ui/view/ThemeView.h"

namespace vl {

// The outline under the tabs: the bar's bottom line, broken by an arch over the active tab.
class PinTabBarBorderView : public ui::View {
 public:
  using ui::View::View;
  static std::shared_ptr<PinTabBarBorderView> create(const ui::Rect& frame = {}) {
    return std::make_shared<PinTabBarBorderView>(frame);
  }
  // The active tab's frame in this view's coordinates (all zero without one) joined to both ends.
  ui::BezierPath createPath(const ui::Rect& active, double cornerRadius) const;
  void setActiveFrame(std::optional<ui::Rect> frame, double cornerRadius);
  const ui::BezierPath& path() const { return path_; }
  void drawRect(const ui::Rect& dirtyRect) override;

 private:
  ui::Rect active_{};
  double radius_ = 0;
  ui::BezierPath path_;
};

// The container of the bar: the outline first, so tabs and the add button lie above it.
class PinTabBarContainerView : public ThemeView {
 public:
  using ThemeView::ThemeView;
  void setFrameSize(ui::Size size) override;
  std::shared_ptr<PinTabBarBorderView> borderView;
};

// The strip across the top of the main window: one tab per pin tab, the clipboard tab first, and a "+"
// that opens the pin tab form while fewer than five pin tabs exist. Tabs are placed by their list index;
// the model moves them afterwards through their delegate operations. The bar never scrolls. Main thread
// only.
class PinTabBar : public ui::ScrollView {
 public:
  static constexpr ui::Size kSize{680, 38};
  static constexpr std::size_t kMaxTabs = 6;  // the clipboard tab and five pin tabs

  PinTabBar();
  static std::shared_ptr<PinTabBar> create();

  // Runs the current search again for the active tab.
  void setResearch(std::function<void()> research) { research_ = std::move(research); }
  void research() const {
    if (research_) research_();
  }

  const std::shared_ptr<PinTabBarContainerView>& containerView() const { return container_; }
  const std::shared_ptr<PinTabBarBorderView>& borderView() const { return container_->borderView; }
  const std::shared_ptr<Button3>& addPinTabButton();
  // The tab views in the bar, in the order they were added.
  const std::vector<std::shared_ptr<PinTabBarTab>>& tabs() const { return tabs_; }
  std::shared_ptr<PinTabBarTab> tabOfId(const std::string& uuid) const;

  // Places the view of the tab that was just appended to the list, and makes it the active tab.
  void appendPinTabBarTab(const std::shared_ptr<PinTabBarTab>& tab);
  // The add button's action: the form in create mode, or a refusal when five pin tabs exist.
  void addPinTab();
  void updateAddPinTabButtonState();
  void redraw();
  bool blocked() const;
  // Called by a tab that left the container.
  void tabDidLeave(const PinTabBarTab* tab);

  ui::Size size() const { return kSize; }
  bool isFlow() const { return false; }

  void viewDidMoveToSuperview() override;
  void scrollWheel(const ui::Event&) override {}

 private:
  void renderFromDisk();
  void addTab(const std::shared_ptr<PinTabBarTab>& tab, std::size_t index);

  std::shared_ptr<PinTabBarContainerView> container_;
  std::shared_ptr<Button3> addPinTabButton_;
  std::vector<std::shared_ptr<PinTabBarTab>> tabs_;
  std::function<void()> research_;
  bool setUp_ = false;
};

}  // namespace vl
