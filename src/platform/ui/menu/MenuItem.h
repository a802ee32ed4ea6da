#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/graphics/Image.h"
#include "platform/ui/text/AttributedString.h"
#include "platform/ui/view/Event.h"
#include "platform/ui/view/Responder.h"

namespace vl::ui {

class Menu;

// One row of a menu: a command (title, action sent to a weakly held target, or along the responder chain
// when there is none), a separator, or the entry to a submenu. The item is the sender of its action, so
// the receiver can read its tag, title and represented object. Held by shared_ptr; its menu owns it.
class MenuItem : public ActionTarget {
 public:
  MenuItem(std::string title = {}, std::string action = {}, std::string keyEquivalent = {});
  ~MenuItem() override;
  static std::shared_ptr<MenuItem> create(std::string title = {}, std::string action = {},
                                          std::string keyEquivalent = {}) {
    return std::make_shared<MenuItem>(std::move(title), std::move(action), std::move(keyEquivalent));
  }
  static std::shared_ptr<MenuItem> separatorItem();

  const std::string& title() const { return title_; }
  void setTitle(std::string title) {
    title_ = std::move(title);
    changed();
  }
  // Shown instead of the title when set.
  const std::optional<AttributedString>& attributedTitle() const { return attributedTitle_; }
  void setAttributedTitle(std::optional<AttributedString> t) {
    attributedTitle_ = std::move(t);
    changed();
  }
  long tag() const { return tag_; }
  void setTag(long tag) { tag_ = tag; }
  const std::string& action() const { return action_; }
  void setAction(std::string action) {
    action_ = std::move(action);
    changed();
  }
  std::shared_ptr<ActionTarget> target() const { return target_.lock(); }
  // Enablement follows the target, so a new one counts as a change.
  void setTarget(const std::shared_ptr<ActionTarget>& target) {
    target_ = target;
    changed();
  }

  // The character that, with the modifiers, chooses the item ("," with Command); "" for none. Upper-case
  // letters imply Shift, as on the platform.
  const std::string& keyEquivalent() const { return keyEquivalent_; }
  void setKeyEquivalent(std::string key) {
    keyEquivalent_ = std::move(key);
    changed();
  }
  std::uint64_t keyEquivalentModifierMask() const { return keyModifiers_; }
  void setKeyEquivalentModifierMask(std::uint64_t mask) {
    keyModifiers_ = mask;
    changed();
  }
  bool matchesKeyEquivalent(const Event& event) const;

  // ControlStateValue: On shows the check mark (or onStateImage).
  int state() const { return state_; }
  void setState(int state) {
    state_ = state;
    changed();
  }
  const ImageRef& image() const { return image_; }
  void setImage(ImageRef image) {
    image_ = std::move(image);
    changed();
  }
  const ImageRef& onStateImage() const { return onStateImage_; }
  void setOnStateImage(ImageRef image) {
    onStateImage_ = std::move(image);
    changed();
  }

  const std::shared_ptr<Menu>& submenu() const { return submenu_; }
  // A menu can hang under one item only; one that hangs elsewhere is refused.
  void setSubmenu(std::shared_ptr<Menu> submenu);
  bool hasSubmenu() const { return submenu_ != nullptr; }
  bool isSeparatorItem() const { return separator_; }

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) {
    enabled_ = enabled;
    changed();
  }
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) {
    hidden_ = hidden;
    changed();
  }
  const std::string& toolTip() const { return toolTip_; }
  void setToolTip(std::string tip) { toolTip_ = std::move(tip); }
  const std::any& representedObject() const { return representedObject_; }
  void setRepresentedObject(std::any object) { representedObject_ = std::move(object); }

  // The menu that holds the item (nullptr when in none).
  Menu* menu() const { return menu_; }

 private:
  friend class Menu;
  // Tells the menu's change observer that what the item shows changed.
  void changed();

  std::string title_;
  std::optional<AttributedString> attributedTitle_;
  long tag_ = 0;
  std::string action_;
  std::weak_ptr<ActionTarget> target_;
  std::string keyEquivalent_;
  std::uint64_t keyModifiers_ = ModifierFlags::Command;
  int state_ = 0;
  ImageRef image_;
  ImageRef onStateImage_;
  ImageRef offStateImage_;
  std::shared_ptr<Menu> submenu_;
  bool separator_ = false;
  bool enabled_ = true;
  bool hidden_ = false;
  std::string toolTip_;
  std::any representedObject_;
  Menu* menu_ = nullptr;
};

}  // namespace vl::ui
