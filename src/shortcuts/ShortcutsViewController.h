#pragma once

#include "shortcuts/ShortcutsView.h"
#include "ui/tabbar/VLViewController.h"

namespace vl {

// The preferences window's Shortcuts tab.
class ShortcutsViewController : public VLViewController {
 public:
  void loadView() override { setView(ShortcutsView::create()); }
  // Leaving the tab stops every recorder and makes the rows again.
  void viewWillDisappear() override {
    VLViewController::viewWillDisappear();
    if (auto pane = std::dynamic_pointer_cast<ShortcutsView>(view())) pane->viewWillDisappear();
  }
};

}  // namespace vl
