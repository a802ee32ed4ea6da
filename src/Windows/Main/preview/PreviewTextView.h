#pragma once

#include <memory>

#include "platform/ui/text/TextView.h"
#include "ui/view/VLVisualEffectView.h"

namespace vl {

// A text view that leaves its background to what lies below it, with a themed backdrop at hand.
class PreviewTextView : public ui::TextView {
 public:
  explicit PreviewTextView(const ui::Rect& frame = {});
  static std::shared_ptr<PreviewTextView> create(const ui::Rect& frame = {}) {
    return std::make_shared<PreviewTextView>(frame);
  }
  // Created on first use.
  const std::shared_ptr<VLVisualEffectView>& visualEffectView();

 private:
  std::shared_ptr<VLVisualEffectView> visualEffectView_;
};

}  // namespace vl
