#pragma once

#include <memory>
#include <optional>

#include "platform/foundation/Text.h"
#include "ui/VLWindow.h"

namespace vl {

// The borderless history window under "vellisto_main": clear background, a shadow, and it takes the
// keyboard focus although it has no title bar. Closing only orders it out; it stays registered.
class MainWindow : public VLWindow {
 public:
  explicit MainWindow(const ui::Rect& contentRect = {});
  static std::shared_ptr<MainWindow> create(const ui::Rect& contentRect = {}) {
    return std::make_shared<MainWindow>(contentRect);
  }

  bool canBecomeKeyWindow() const override { return true; }
  void becomeKeyWindow() override;
  void close() override;
  // What is typed after a click goes on into the search field, whatever part of the window was clicked.
  void sendEvent(const ui::Event& event) override;
  bool appeared() const { return appear(); }

 private:
  // Where the search field's caret stood when the last press came; nullopt when it had no keyboard.
  std::optional<Range> caretBeforePress_;
};

}  // namespace vl
