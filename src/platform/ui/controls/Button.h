#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/controls/Control.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Image.h"

namespace vl::ui {

class GraphicsContext;

// The platform's button type numbers, as stored settings and layouts name them.
enum class ButtonType {
  MomentaryLight = 0,
  PushOnPushOff = 1,
  Toggle = 2,
  Switch = 3,  // a check box
  Radio = 4,
  MomentaryChange = 5,
  OnOff = 6,
  MomentaryPushIn = 7,
};

enum class ImagePosition {
  NoImage = 0,
  ImageOnly = 1,
  ImageLeft = 2,
  ImageRight = 3,
  ImageBelow = 4,
  ImageAbove = 5,
  ImageOverlaps = 6,
  ImageLeading = 7,
  ImageTrailing = 8,
};

enum class BezelStyle { Rounded = 1, RegularSquare = 2, SmallSquare = 10, Recessed = 13, Inline = 15 };

// A push button, check box or radio button. A press highlights it; releasing inside changes the state as
// its type says (check boxes and toggles flip, radio buttons turn on and turn off the radio buttons with
// the same action in the same superview) and then sends the action; releasing outside does nothing.
// Momentary types keep their state. A disabled button ignores the mouse. Main thread only.
class Button : public Control {
 public:
  explicit Button(const Rect& frame = {});
  static std::shared_ptr<Button> create(const Rect& frame = {}) { return std::make_shared<Button>(frame); }
  static std::shared_ptr<Button> buttonWithTitle(const std::string& title,
                                                 const std::shared_ptr<ActionTarget>& target,
                                                 const std::string& action);
  static std::shared_ptr<Button> checkboxWithTitle(const std::string& title,
                                                   const std::shared_ptr<ActionTarget>& target,
                                                   const std::string& action);
  static std::shared_ptr<Button> radioButtonWithTitle(const std::string& title,
                                                      const std::shared_ptr<ActionTarget>& target,
                                                      const std::string& action);

  ButtonType buttonType() const { return type_; }
  void setButtonType(ButtonType type);

  // The title is the string value; setting a plain title drops the attributed one.
  const std::string& title() const { return title_; }
  virtual void setTitle(const std::string& title);
  // The attributed title when one was set, else the title without attributes.
  AttributedString attributedTitle() const;
  virtual void setAttributedTitle(const AttributedString& title);
  // Shown while the button is on (toggles) or pressed (momentary change); "" shows the title.
  std::string stringValue() const override { return title_; }
  void setStringValue(const std::string& value) override { setTitle(value); }

  const ImageRef& image() const { return image_; }
  virtual void setImage(ImageRef image);
  // Shown while the button is highlighted or on, as its type says.
  virtual void setAlternateImage(ImageRef image);
  // The image drawn now, after highlight and state.
  ImageRef displayedImage() const;
  // The title drawn now.
  std::string displayedTitle() const;
  ImagePosition imagePosition() const { return imagePosition_; }
  void setImagePosition(ImagePosition p);
  bool imageHugsTitle() const { return imageHugsTitle_; }
  void setImageHugsTitle(bool v);
  const std::optional<Color>& contentTintColor() const { return contentTintColor_; }
  void setContentTintColor(std::optional<Color> c);

  bool isBordered() const { return bordered_; }
  void setBordered(bool v);
  void setBezelStyle(BezelStyle s);
  void setAllowsMixedState(bool v) { allowsMixedState_ = v; }
  // The state a click leads to from the current one.
  int nextState() const;

  // Key equivalent: a character with modifier flags ("\r" for Return). Matching presses click the button.
  const std::string& keyEquivalent() const { return keyEquivalent_; }
  void setKeyEquivalent(std::string key) { keyEquivalent_ = std::move(key); }
  std::uint64_t keyEquivalentModifierMask() const { return keyModifiers_; }
  void setKeyEquivalentModifierMask(std::uint64_t mask) { keyModifiers_ = mask; }
  bool performKeyEquivalent(const Event& event) override;

  // A click: the state changes as the type says, then the action is sent.
  void performClick() override;

  // Layout of the content in the bounds (y up), from the title's measured size and the image size.
  Rect titleRect() const;
  Rect imageRect() const;
  Size intrinsicContentSize() const override;

  void mouseDown(const Event& event) override;
  void mouseDragged(const Event& event) override;
  void mouseUp(const Event& event) override;
  void drawRect(const Rect& dirtyRect) override;

 protected:
  // Whether the alternate image and title show now.
  virtual bool showsAlternate() const;

 private:
  bool isCheckOrRadio() const { return type_ == ButtonType::Switch || type_ == ButtonType::Radio; }
  void turnOffRadioSiblings();
  Size titleSize() const;
  Size imageSize() const;
  // The square of a check box (ticked, dashed when mixed) or the circle of a radio button (dotted).
  void drawBox(GraphicsContext& ctx, const Rect& box) const;

  ButtonType type_ = ButtonType::MomentaryPushIn;
  std::string title_;
  std::optional<AttributedString> attributedTitle_;
  std::string alternateTitle_;
  ImageRef image_;
  ImageRef alternateImage_;
  ImagePosition imagePosition_ = ImagePosition::NoImage;
  bool imageHugsTitle_ = false;
  std::optional<Color> contentTintColor_;
  bool bordered_ = true;
  BezelStyle bezelStyle_ = BezelStyle::Rounded;
  bool allowsMixedState_ = false;
  std::string keyEquivalent_;
  std::uint64_t keyModifiers_ = 0;
  bool tracking_ = false;
};

}  // namespace vl::ui
