#pragma once

#include <memory>

#include "Windows/Preferences/Security/AccessibilityView.h"
#include "ui/tabbar/VLViewController.h"

namespace vl {

// The preferences window's Security tab.
class SecurityViewController : public VLViewController {
 public:
  static std::shared_ptr<SecurityViewController> create() {
    return std::make_shared<SecurityViewController>();
  }
  void loadView() override {
    setView(AccessibilityView::create({0, 0, AccessibilityView::kWidth, AccessibilityView::kHeight}));
  }
  std::shared_ptr<AccessibilityView> pane() { return std::dynamic_pointer_cast<AccessibilityView>(view()); }
};

}  // namespace vl
