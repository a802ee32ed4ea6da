#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/graphics/Color.h"
#include "platform/ui/view/View.h"
#include "theme/VLThemeCategories.h"
#include "ui/controls/SYFlatButton.h"

namespace vl {

class GlobalColorPanel;

// Told of each colour the user or the owner chooses.
class GlobalColorPanelDelegate {
 public:
  virtual ~GlobalColorPanelDelegate() = default;
  // The chosen colour as six hex digits; false when not handled.
  virtual bool didSelectedColor(const std::string& /*hex*/) { return false; }
};

// Sixteen colour swatches in two rows of eight with a ring around the chosen one; the pin-tab editor picks
// a tab colour with it. Build it, call load() once for its frame, then setColor() or setDefaultColor().
class GlobalColorPanel : public VLThemed<ui::View> {
 public:
  static constexpr const char* kBackgroundKey = "modalTableItemBackgroundColor";

  explicit GlobalColorPanel(const ui::Rect& frame = {});
  // Use this: the panel's key and lines need it held by a shared_ptr.
  static std::shared_ptr<GlobalColorPanel> create(const ui::Rect& frame);

  // Lays the swatches out for the current frame and chooses the first.
  void load();
  // Chooses the swatch of exactly that text; any other text changes nothing.
  void setColor(const std::string& hex);
  void setDefaultColor();
  // The swatches' action.
  void chooseColor(const SYFlatButton& swatch);
  std::string selectedColor() const;
  std::string defaultColor() const { return globalColors().front(); }
  std::int64_t selectedColorIndex() const { return selectedColorIndex_; }
  static ui::Color colorFromHexString(const std::string& text) { return ui::Color::fromHex(text); }

  const std::vector<std::string>& globalColors() const;
  // The selection ring.
  const std::shared_ptr<SYFlatButton>& chooser();
  const std::vector<std::shared_ptr<SYFlatButton>>& swatches() const { return swatches_; }
  std::shared_ptr<GlobalColorPanelDelegate> gcpDelegate() const { return delegate_.lock(); }
  void setGcpDelegate(const std::shared_ptr<GlobalColorPanelDelegate>& delegate) { delegate_ = delegate; }

  bool respondsToAction(const std::string& action) const override;
  bool performAction(const std::string& action, ui::ActionTarget* sender) override;
  void drawRect(const ui::Rect& dirtyRect) override;

 private:
  mutable std::vector<std::string> globalColors_;
  std::int64_t selectedColorIndex_ = 0;
  std::shared_ptr<SYFlatButton> chooser_;
  std::vector<std::shared_ptr<SYFlatButton>> swatches_;
  std::weak_ptr<GlobalColorPanelDelegate> delegate_;
};

}  // namespace vl
