#include "platform/ui/menu/MenuItem.h"

#include <cctype>

#include "platform/foundation/Log.h"
#include "platform/ui/menu/Menu.h"

namespace vl::ui {

MenuItem::MenuItem(std::string title, std::string action, std::string keyEquivalent)
    : title_(std::move(title)), action_(std::move(action)), keyEquivalent_(std::move(keyEquivalent)) {}

MenuItem::~MenuItem() {
  if (submenu_ && submenu_->supermenu_ == menu_) submenu_->supermenu_ = nullptr;
}

std::shared_ptr<MenuItem> MenuItem::separatorItem() {
  auto item = create();
  item->separator_ = true;
  item->enabled_ = false;
  return item;
}

void MenuItem::setSubmenu(std::shared_ptr<Menu> submenu) {
  if (submenu == submenu_) return;
  if (submenu && submenu->supermenu_ && submenu->supermenu_ != menu_) {
    logWarningf("menu \"%s\" already hangs under another item, not attached to \"%s\"",
                submenu->title().c_str(), title_.c_str());
    return;
  }
  if (submenu_) submenu_->supermenu_ = nullptr;
  submenu_ = std::move(submenu);
  if (submenu_) submenu_->supermenu_ = menu_;
  changed();
}

void MenuItem::changed() {
  if (menu_) menu_->noteChanged();
}

bool MenuItem::matchesKeyEquivalent(const Event& event) const {
  if (keyEquivalent_.empty() || event.type() != EventType::KeyDown) return false;
  std::uint64_t required = keyModifiers_;
  std::string key = keyEquivalent_;
  if (key.size() == 1 && std::isupper(static_cast<unsigned char>(key[0]))) {
    required |= ModifierFlags::Shift;
    key[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])));
  }
  constexpr std::uint64_t relevant =
      ModifierFlags::Command | ModifierFlags::Shift | ModifierFlags::Option | ModifierFlags::Control;
  if ((event.modifierFlags() & relevant) != (required & relevant)) return false;
  std::string typed = event.charactersIgnoringModifiers();
  for (char& c : typed) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return typed == key;
}

}  // namespace vl::ui
