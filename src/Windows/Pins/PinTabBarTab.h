#pragma once

#include <memory>
#include <string>

#include "pins/PinTabDelegate.h"
#include "platform/ui/controls/ImageView.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/view/ThemeView.h"

namespace vl {

class PinTab;
class PinTabBar;

// One tab of the pin tab bar: a colour square (the application icon on the clipboard tab) and a one-line
// title. It is its PinTab's view, so activation, moves, renames and removal made through the model reach
// it whoever started them. Its title passes clicks to it and offers no menu of its own. Main thread only.
class PinTabBarTab : public ThemeView, public PinTabDelegate {
 public:
  static constexpr double kWidth = 110;
  static constexpr double kHeight = 30;
  static constexpr const char* kActiveKey = "pinTabBarItemActiveColor";
  static constexpr const char* kInactiveKey = "clear";

  PinTabBarTab(const std::string& name, const std::string& txtColor, const std::string& bgColor,
               const std::string& uuid);
  static std::shared_ptr<PinTabBarTab> initWithName(const std::string& name, const std::string& txtColor,
                                                    const std::string& bgColor, const std::string& uuid);
  // A view for the tab, installed as the tab's view.
  static std::shared_ptr<PinTabBarTab> ofPinTab(const std::shared_ptr<PinTab>& tab);

  // The bar that holds the tab; the bar owns its tabs, so this is not kept alive here.
  void setBar(PinTabBar* bar) { bar_ = bar; }

  bool enableMenu() const { return enableMenu_; }
  const std::string& uuid() const { return uuid_; }
  const std::string& name() const { return name_; }
  const std::string& txtColor() const { return txtColor_; }
  const std::string& bgColor() const { return bgColor_; }
  bool isActive() const { return active_; }
  const std::shared_ptr<ui::ImageView>& imageView() const { return imageView_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& titleView() const { return titleView_; }

  // PinTabDelegate
  bool didActive() override;
  bool didInactive() override;
  void moveForward() override;
  void moveBackward() override;
  void remove() override;
  void setName(const std::string& name) override;
  void setBgColor(const std::string& bgColor) override;

  void viewDidMoveToSuperview() override;
  std::shared_ptr<ui::Menu> menuForEvent(const ui::Event& event) override;
  void mouseDown(const ui::Event& event) override;

 private:
  void setColorIcon();
  void setVellistoIcon();
  void showSquareOutline();

  bool enableMenu_ = false;
  bool active_ = false;
  std::string uuid_;
  std::string name_;
  std::string txtColor_;
  std::string bgColor_;
  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> titleView_;
  PinTabBar* bar_ = nullptr;
};

}  // namespace vl
