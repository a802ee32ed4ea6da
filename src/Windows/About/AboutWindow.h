#pragma once

#include <memory>

#include "ui/VLWindow.h"

namespace vl {

// The About window under "vellisto_about", opened from the status menu's About row. Made once at start
// and kept: closing only orders it out, so showing it again shows the same window as it was.
class AboutWindow : public VLWindow {
 public:
  // What a task switcher shows for the window.
  static constexpr const char* kTitle = "About Vellisto";
  static constexpr double kWidth = 288;
  static constexpr double kHeight = 430;

  explicit AboutWindow(const ui::Rect& contentRect);
  // The window with its controller, registered with the window registry.
  static std::shared_ptr<AboutWindow> registerAboutWindow();

  bool appeared() const { return appear(); }
  bool canBecomeKeyWindow() const override { return true; }
  void close() override;

 protected:
  void becomeKeyWindow() override;
};

}  // namespace vl
