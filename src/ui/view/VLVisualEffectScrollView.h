#pragma once

#include <memory>

#include "platform/ui/controls/ScrollView.h"
#include "ui/view/ThemeView.h"

namespace vl {

// A scroll view with a themed background ("recordAreaBackgroundColor") behind its content, put in place
// the first time the scroll view joins a superview.
class VLVisualEffectScrollView : public ui::ScrollView {
 public:
  static constexpr const char* kBackgroundKey = "recordAreaBackgroundColor";

  explicit VLVisualEffectScrollView(const ui::Rect& frame = {});
  static std::shared_ptr<VLVisualEffectScrollView> create(const ui::Rect& frame = {}) {
    return std::make_shared<VLVisualEffectScrollView>(frame);
  }

  // Created on first use with the background key.
  const std::shared_ptr<ThemeView>& themeView();
  void setThemeView(std::shared_ptr<ThemeView> view) { themeView_ = std::move(view); }
  ui::ClipView* holdClipView() const { return holdClipView_; }

  void didAddSubview(ui::View* subview) override;
  void viewDidMoveToSuperview() override;
  void setFrameSize(ui::Size size) override;

 private:
  std::shared_ptr<ThemeView> themeView_;
  ui::ClipView* holdClipView_ = nullptr;
};

}  // namespace vl
