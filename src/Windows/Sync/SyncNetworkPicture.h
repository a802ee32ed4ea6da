#pragma once

#include <memory>

#include "platform/ui/view/View.h"
#include "theme/VLThemeObject.h"

namespace vl {

// The picture above the start panel's two choices: two computers joined through a network, drawn in
// the theme's colours, light or dark. Main thread only.
class SyncNetworkPicture : public ui::View, public VLThemeObject {
 public:
  explicit SyncNetworkPicture(const ui::Rect& frame) : ui::View(frame) {}
  static std::shared_ptr<SyncNetworkPicture> create(const ui::Rect& frame);

  void drawRect(const ui::Rect& dirtyRect) override;
  void lightOrDarkChanged() override { setNeedsDisplay(true); }
};

}  // namespace vl
