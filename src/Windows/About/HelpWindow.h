#pragma once

#include <memory>

#include "ui/VLWindow.h"

namespace vl {

// The Help window under "vellisto_help", opened from the status menu's Help row: the manual that ships
// with the program, in a web view under a back, forward and home bar. Made once at start and kept.
class HelpWindow : public VLWindow {
 public:
  // What a task switcher shows for the window.
  static constexpr const char* kTitle = "Vellisto Help";
  static constexpr double kWidth = 430;
  static constexpr double kHeight = 620;

  explicit HelpWindow(const ui::Rect& contentRect);
  // The window with its controller, registered with the window registry.
  static std::shared_ptr<HelpWindow> registerHelpWindow();

  bool appeared() const { return appear(); }
  bool canBecomeKeyWindow() const override { return true; }
  void close() override;

 protected:
  void becomeKeyWindow() override;
};

}  // namespace vl
