#pragma once

#include <memory>
#include <optional>

#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/view/View.h"

namespace vl {

// The transparent cover under a shown panel: it swallows clicks and keeps the arrow cursor over the
// window below, and strokes the panel's outline with a soft shadow.
class BlockShadowView : public ui::View {
 public:
  static constexpr const char* kBorderKey = "mainPanelBorderColor";

  explicit BlockShadowView(const ui::Rect& frame = {});
  static std::shared_ptr<BlockShadowView> create(const ui::Rect& frame = {});

  // The outline hugs the panel's frame (lower corners rounded); the zero rectangle clears it.
  virtual void drawShadowInFrame(const ui::Rect& frame);
  const std::optional<ui::BezierPath>& path() const { return path_; }

  void setFrameSize(ui::Size size) override;
  void updateTrackingAreas() override;
  void resetCursorRects() override;
  void mouseDown(const ui::Event& event) override;
  void mouseMoved(const ui::Event& event) override;
  void cursorUpdate(const ui::Event& event) override;
  void drawRect(const ui::Rect& dirtyRect) override;

 protected:
  void setPath(ui::BezierPath path);
  static void styleNew(const std::shared_ptr<BlockShadowView>& view);

 private:
  void rebuildTrackingArea();
  std::shared_ptr<ui::TrackingArea> trackingArea_;
  std::optional<ui::BezierPath> path_;
};

// The cover under a shown slide: square corners, and a click on it closes the slide.
class SlideBlockShadowView : public BlockShadowView {
 public:
  using BlockShadowView::BlockShadowView;
  static std::shared_ptr<SlideBlockShadowView> create(const ui::Rect& frame = {});

  void drawShadowInFrame(const ui::Rect& frame) override;
  void mouseDown(const ui::Event& event) override;
};

}  // namespace vl
