#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/graphics/Image.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/text/ParagraphStyle.h"
#include "platform/ui/view/View.h"
#include "theme/VLThemeCategories.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/PassthroughImageView.h"
#include "ui/controls/ButtonStates.h"

namespace vl {

// A view button that draws its own title, an optional image and an optional right-hand image, and fires
// its action on the press itself (there is no release tracking). Each state (normal, highlighted under the
// pointer, selected, disabled) has a title, background and border asset key; a state key left unset takes
// its normal key when the button joins a view. Hover applies only while enabled and not selected; the owner
// drives selection. A key equivalent fires the action as a press does. Main thread only.
class Button2 : public ui::View, public ButtonStateKeys {
 public:
  explicit Button2(const ui::Rect& frame = {});
  static std::shared_ptr<Button2> create(const ui::Rect& frame = {}) {
    return std::make_shared<Button2>(frame);
  }

  std::string title() const;
  void setTitle(const std::string& title);
  const ui::Font* font() const { return font_ ? &*font_ : nullptr; }
  void setFont(const ui::Font& font) { font_ = font; }
  ui::TextAlignment alignment() const { return alignment_; }
  void setAlignment(ui::TextAlignment alignment);

  // The twelve colour keys come from ButtonStateKeys; these two also apply the key at once.
  void setButtonBackgroundColorAssetKey(AssetKey key);
  void setBorderColorAssetKey(AssetKey key);

  // Applied when the button joins a view.
  double borderWidth() const { return borderWidth_; }
  void setBorderWidth(double width) { borderWidth_ = width; }
  double radius() const { return radius_; }
  void setRadius(double radius) { radius_ = radius; }

  const ui::ImageRef& image() const { return image_; }
  void setImage(ui::ImageRef image);
  const ui::ImageRef& selectedImage() const { return selectedImage_; }
  void setSelectedImage(ui::ImageRef image) { selectedImage_ = std::move(image); }
  const ui::ImageRef& rightImage() const { return rightImage_; }
  void setRightImage(ui::ImageRef image);
  // Images of the application's resources by name; a name without an image shows nothing (logged).
  void setImageNamed(const std::string& name);
  void setRightImageNamed(const std::string& name);

  bool isSelected() const { return selected_; }
  bool selected() const { return selected_; }
  virtual void setSelected(bool selected);
  bool highlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted);
  bool enabled() const { return enabled_; }
  virtual void setEnabled(bool enabled);
  bool alwaysAccentColor() const { return alwaysAccentColor_; }
  void setAlwaysAccentColor(bool v) { alwaysAccentColor_ = v; }
  bool skipMouseDown() const { return skipMouseDown_; }
  void setSkipMouseDown(bool v) { skipMouseDown_ = v; }
  std::shared_ptr<ui::ActionTarget> target() const { return target_.lock(); }
  void setTarget(const std::shared_ptr<ui::ActionTarget>& target) { target_ = target; }
  const std::string& action() const { return action_; }
  void setAction(std::string action) { action_ = std::move(action); }
  // A key ("\r", "w") with modifier flags that fires the action as a press does.
  void setKeyEquivalent(std::string key, std::uint64_t modifierMask = 0);
  const std::string& keyEquivalent() const { return keyEquivalent_; }

  bool verticalCenter() const { return verticalCenter_; }
  // YES centres a title frame of the title's own height; the next frame change restores the 18-point one.
  void setVerticalCenter(bool center);
  // Sizes the button to its title plus a margin; answers the new width.
  double fitWithTitle();

  // Created on first use.
  virtual const std::shared_ptr<ui::TextView>& titleView();
  virtual const std::shared_ptr<ui::ImageView>& imageView();
  const std::shared_ptr<ui::ImageView>& rightImageView();
  // The title view without creating it.
  virtual ui::TextView* getTitleView() const { return titleView_.get(); }

  void setFrameSize(ui::Size size) override;
  void resizeSubviewsWithOldSize(ui::Size oldSize) override;
  void viewWillMoveToSuperview(ui::View* newSuperview) override;
  void updateTrackingAreas() override;
  bool acceptsFirstMouse(const ui::Event&) override { return true; }
  void mouseEntered(const ui::Event& event) override;
  void mouseExited(const ui::Event& event) override;
  void mouseDown(const ui::Event& event) override;
  bool performKeyEquivalent(const ui::Event& event) override;

 protected:
  // For subclasses that bring their own title view.
  Button2(const ui::Rect& frame, bool makeTitleView);
  // Each unset state key takes its normal key.
  void fillStateKeys();
  // Title, background and border keys applied to the title view and the layer.
  void applyLook(const AssetKey& text, const AssetKey& background, const AssetKey& border);
  void layoutTitle(double height);
  // Fires the action when everything allows it; the press and the key equivalent share it.
  void fire();

 private:
  ui::TextAlignment alignment_ = ui::TextAlignment::Natural;
  bool skipMouseDown_ = false;
  bool verticalCenter_ = false;
  bool selected_ = false;
  bool highlighted_ = false;
  bool enabled_ = true;
  bool alwaysAccentColor_ = false;
  std::optional<ui::Font> font_;
  double borderWidth_ = 0;
  double radius_ = 0;
  ui::ImageRef image_, selectedImage_, rightImage_;
  std::weak_ptr<ui::ActionTarget> target_;
  std::string action_;
  std::string keyEquivalent_;
  std::uint64_t keyModifiers_ = 0;
  std::shared_ptr<ui::TextView> titleView_;
  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<ui::ImageView> rightImageView_;
  bool trackingAreaAdded_ = false;
};

}  // namespace vl
