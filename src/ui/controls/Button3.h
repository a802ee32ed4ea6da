#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/controls/Button.h"
#include "platform/ui/view/View.h"
#include "theme/VLThemeCategories.h"

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
class Button3 : public VLThemed<ui::View> {
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

  const AssetKey& textColorAssetKey() const { return textKey_; }
  void setTextColorAssetKey(AssetKey key) { textKey_ = std::move(key); }
  const AssetKey& textHighlightedColorAssetKey() const { return textHighlightedKey_; }
  void setTextHighlightedColorAssetKey(AssetKey key) { textHighlightedKey_ = std::move(key); }
  const AssetKey& textSelectedColorAssetKey() const { return textSelectedKey_; }
  void setTextSelectedColorAssetKey(AssetKey key) { textSelectedKey_ = std::move(key); }
  const AssetKey& textDisabledColorAssetKey() const { return textDisabledKey_; }
  void setTextDisabledColorAssetKey(AssetKey key) { textDisabledKey_ = std::move(key); }
  const AssetKey& buttonBackgroundColorAssetKey() const { return backgroundKey_; }
  void setButtonBackgroundColorAssetKey(AssetKey key) { backgroundKey_ = std::move(key); }
  const AssetKey& buttonBackgroundHighlightedColorAssetKey() const { return backgroundHighlightedKey_; }
  void setButtonBackgroundHighlightedColorAssetKey(AssetKey key) {
    backgroundHighlightedKey_ = std::move(key);
  }
  const AssetKey& buttonBackgroundSelectedColorAssetKey() const { return backgroundSelectedKey_; }
  void setButtonBackgroundSelectedColorAssetKey(AssetKey key) { backgroundSelectedKey_ = std::move(key); }
  const AssetKey& buttonBackgroundDisabledColorAssetKey() const { return backgroundDisabledKey_; }
  void setButtonBackgroundDisabledColorAssetKey(AssetKey key) { backgroundDisabledKey_ = std::move(key); }
  const AssetKey& borderColorAssetKey() const { return borderKey_; }
  void setBorderColorAssetKey(AssetKey key) { borderKey_ = std::move(key); }
  const AssetKey& borderHighlightedColorAssetKey() const { return borderHighlightedKey_; }
  void setBorderHighlightedColorAssetKey(AssetKey key) { borderHighlightedKey_ = std::move(key); }
  const AssetKey& borderSelectedColorAssetKey() const { return borderSelectedKey_; }
  void setBorderSelectedColorAssetKey(AssetKey key) { borderSelectedKey_ = std::move(key); }
  const AssetKey& borderDisabledColorAssetKey() const { return borderDisabledKey_; }
  void setBorderDisabledColorAssetKey(AssetKey key) { borderDisabledKey_ = std::move(key); }

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
  AssetKey textKey_, textHighlightedKey_, textSelectedKey_, textDisabledKey_;
  AssetKey backgroundKey_, backgroundHighlightedKey_, backgroundSelectedKey_, backgroundDisabledKey_;
  AssetKey borderKey_, borderHighlightedKey_, borderSelectedKey_, borderDisabledKey_;
  double borderWidth_ = 0;
  double radius_ = 0;
  std::weak_ptr<ui::ActionTarget> target_;
  std::string action_;
  std::shared_ptr<InnerPushButton> titleView_;
  bool tracking_ = false;
};

}  // namespace vl
