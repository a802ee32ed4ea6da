#pragma once

#include <memory>
#include <string>

#include "ui/controls/Button2.h"
#include "ui/controls/Button3.h"

namespace vl {

// The ready-made buttons and labels: each only sets keys, fonts and sizes on its base.

// The OK of alerts and the About window: white on the accent colour.
class DefaultConfirmButton : public Button3 {
 public:
  explicit DefaultConfirmButton(const ui::Rect& frame = {0, 0, 70, 25});
  static std::shared_ptr<DefaultConfirmButton> create(const ui::Rect& frame = {0, 0, 70, 25}) {
    return std::make_shared<DefaultConfirmButton>(frame);
  }
};

// The Cancel beside it: normal text on the secondary button colours, with a border.
class DefaultCancelButton : public Button3 {
 public:
  DefaultCancelButton();
  static std::shared_ptr<DefaultCancelButton> create() { return std::make_shared<DefaultCancelButton>(); }
};

// Navigation bar buttons: a centred title only.
class DefaultNavConfirmButton : public Button2 {
 public:
  DefaultNavConfirmButton();
  static std::shared_ptr<DefaultNavConfirmButton> create() {
    return std::make_shared<DefaultNavConfirmButton>();
  }
};

class DefaultNavCancelButton : public Button2 {
 public:
  DefaultNavCancelButton();
  static std::shared_ptr<DefaultNavCancelButton> create() {
    return std::make_shared<DefaultNavCancelButton>();
  }
};

// The action at the right of a navigation bar (OK, Next, Add...): white on the accent colour, grey
// while disabled.
std::shared_ptr<Button2> makeNavigationActionButton(const std::string& title,
                                                    const std::shared_ptr<ui::ActionTarget>& target,
                                                    const std::string& action);

// One-line labels on a clear background.
class NormalLabel : public Button3 {
 public:
  explicit NormalLabel(const ui::Rect& frame);
  static std::shared_ptr<NormalLabel> create(const ui::Rect& frame) {
    return std::make_shared<NormalLabel>(frame);
  }
};

class SubtitleLabel : public Button3 {
 public:
  explicit SubtitleLabel(const ui::Rect& frame);
  static std::shared_ptr<SubtitleLabel> create(const ui::Rect& frame) {
    return std::make_shared<SubtitleLabel>(frame);
  }
};

}  // namespace vl
