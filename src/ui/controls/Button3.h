#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/controls/Button.h"
#include "platform/ui/view/View.h"
#include "theme/VLThemeCategories.h"
#include "ui/controls/ButtonStates.h"

namespace vl {

// The push button inside a Button3. With a mouse responder set, presses, drags and releases go to that
// responder instead (a label inside a row then drags the row) and the first click of an inactive window
// reaches it.
class InnerPushButton : public ui::Button {
 public:
  explicit InnerPushButton(const ui::Rect& frame = {}) : ui::Button(frame) {}
  static std::shared_ptr<InnerPushButton> create(const ui::Rect& frame = {}) {
    return std::make_shared<InnerPushButton>(frame);
  }

  void setMouseResponser(const std::shared_ptr<ui::Responder>& responder) { mouseResponser_ = responder; }
  std::shared_ptr<ui::Responder> mouseResponser() const { return mouseResponser_.lock(); }

  bool acceptsFirstMouse(const ui::Event&) override { return mouseResponser() != nullptr; }
  void mouseDown(const ui::Event& event) override;
  void mouseDragged(const ui::Event& event) override;
  void mouseUp(const ui::Event& event) override;

 private:
  std::weak_ptr<ui::Responder> mouseResponser_;
};

// A view button around an inner push button that does the clicking (release inside sends the action).
// Its title is coloured by asset key; normal, highlighted and disabled states each have title, background
// and border keys (the selected keys are kept but never shown). The target and action reach the inner
// button when the button joins a view. Main thread only.
class Button3 : public VLThemed<ui::View>, public ButtonStateKeys {
 public:
  explicit Button3(const ui::Rect& frame = {});
  static std::shared_ptr<Button3> create(const ui::Rect& frame = {}) {
    return std::make_shared<Button3>(frame);
  }

  std::string title() const { return titleView_->title(); }
  // The plain title: it shows without colour until the next colour application.
  void setTitle(const std::string& title);
  // The title in the key's colour.
  void setTitleColorAsset(const AssetKey& key);
  const std::optional<ui::Font>& font() const { return font_; }
  void setFont(const ui::Font& font) { font_ = font; }
  ui::TextAlignment alignment() const { return alignment_; }
  void setAlignment(ui::TextAlignment alignment) { alignment_ = alignment; }

  double borderWidth() const { return borderWidth_; }
  void setBorderWidth(double width) { borderWidth_ = width; }
  double radius() const { return radius_; }
  void setRadius(double radius) { radius_ = radius; }

  bool highlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted);
  bool enabled() const { return enabled_; }
  virtual void setEnabled(bool enabled);
  std::shared_ptr<ui::ActionTarget> target() const { return target_.lock(); }
  // Reaches the inner button at the next move to a superview.
  void setTarget(const std::shared_ptr<ui::ActionTarget>& target) { target_ = target; }
  const std::string& action() const { return action_; }
  void setAction(std::string action) { action_ = std::move(action); }
  void setMouseResponder(const std::shared_ptr<ui::Responder>& responder);
  // A key ("\r", "\x1b") with modifier flags that clicks the inner button.
  void setKeyEquivalent(const std::string& key, std::uint64_t modifierMask = 0);

  const std::shared_ptr<InnerPushButton>& titleView() const { return titleView_; }
  const std::shared_ptr<InnerPushButton>& getButtonControl() const { return titleView_; }

  void lightOrDarkChanged() override;
  void viewWillMoveToSuperview(ui::View* newSuperview) override;
  // Hover looks belong to subclasses.
  void mouseEntered(const ui::Event&) override {}
  void mouseExited(const ui::Event&) override {}

 protected:
  void applyLook(const AssetKey& text, const AssetKey& background, const AssetKey& border);

 private:
  ui::TextAlignment alignment_ = ui::TextAlignment::Natural;
  bool highlighted_ = false;
  bool enabled_ = false;
  std::optional<ui::Font> font_;
  double borderWidth_ = 0;
  double radius_ = 0;
  std::weak_ptr<ui::ActionTarget> target_;
  std::string action_;
  std::shared_ptr<InnerPushButton> titleView_;
  bool trackingAreaAdded_ = false;
};

}  // namespace vl
