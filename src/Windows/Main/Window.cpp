#include "Windows/Main/Window.h"

#include "Windows/Main/WindowCenter.h"

namespace vl {

Window::Window(const ui::Rect& contentRect, std::uint64_t styleMask) : ui::Window(contentRect, styleMask) {
  setBackgroundColor(ui::Color::clear());
  setOpaque(false);
  setHasShadow(false);
}

void Window::becomeKeyWindow() { WindowCenter::shared().setCurrentKeyWindow(kMainWindowKey); }

}  // namespace vl
