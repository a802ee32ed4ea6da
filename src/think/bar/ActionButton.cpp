#include "think/bar/ActionButton.h"

#include "platform/foundation/Text.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/view/Cursor.h"
#include "shortcuts/VLShortcut.h"
#include "shortcuts/VLShortcutCenter.h"
#include "theme/VLFont.h"
#include "think/Action.h"

namespace vl {

ActionButton::ActionButton(Action& action) : Button3(ui::Rect{}), actionRef_(&action) {
  setRadius(4);
  setTextColorAssetKey(std::string("fontNormalColor"));
  setTextHighlightedColorAssetKey(std::string("white"));
  setFont(VLFont::mainFont());
  setButtonBackgroundColorAssetKey(std::string("thinkingBarItemBackgroundColor"));
  setButtonBackgroundHighlightedColorAssetKey(std::string("thinkingBarOrange"));
  setAction("click:");
}

std::shared_ptr<ActionButton> ActionButton::initWithAction(Action& action) {
  auto button = std::make_shared<ActionButton>(action);
  button->setTarget(button);
  std::weak_ptr<ActionButton> weak = button;
  button->setActionHandler("click:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->click();
  });
  return button;
}

std::string ActionButton::getShortcutKeyOfIndex(std::int64_t index) {
  if (index < 0 || index > 8) return {};
  return "thinkingBarSelect" + std::to_string(index + 1);
}

double ActionButton::widthOfString(const std::string& text, const ui::Font& font) {
  return ui::TextMetrics::widthOfString(text, font);
}

std::string ActionButton::displayLabel(const std::string& label) {
  std::string line;
  line.reserve(std::min(label.size(), kMaxTitleLength * 4));
  // Line ends and other controls would break or hide the title; they show as spaces.
  for (char c : cutToUtf16Length(label, kMaxTitleLength + 1)) {
    const auto u = static_cast<unsigned char>(c);
    line.push_back(u < 0x20 || u == 0x7f ? ' ' : c);
  }
  if (utf16Length(line) > kMaxTitleLength) line = cutToUtf16Length(line, kMaxTitleLength - 1) + "…";
  return line;
}

void ActionButton::resizeWithIndex(std::int64_t index, const std::string& text, Json& dict) {
  index_ = index;
  const std::string label = displayLabel(actionRef_->getLabel(text, dict).value_or(std::string()));
  std::string shortcut;
  if (VLShortcut* s = VLShortcutCenter::defaultCenter().getShortcutForKey(getShortcutKeyOfIndex(index)))
    shortcut = s->getDisplay();
  const std::string title = shortcut.empty() ? label : label + "  " + shortcut;
  setTitle(title);
  const double width = widthOfString(title, font().value_or(VLFont::mainFont())) + kPadding;
  setFrame({0, 2, width, kHeight});
}

void ActionButton::mouseEntered(const ui::Event&) {
  ui::Cursor::arrow().set();
  if (delegate_) delegate_->enter(index_);
}

void ActionButton::click() {
  if (delegate_) delegate_->click(index_);
}

}  // namespace vl
