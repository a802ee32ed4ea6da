#pragma once

#include <memory>

#include "platform/ui/view/View.h"
#include "ui/Line.h"
#include "ui/PassthroughAndArrowCursorTextView.h"

namespace vl {

// The 44-point bar of a modal page: a centred title, a left and a right item and a one-point separator
// (at the bottom unless moved to the top). It keeps the arrow cursor.
class ModalNavigationBar : public ui::View {
 public:
  static constexpr double kHeight = 44;
  static constexpr const char* kBackgroundKey = "modalNavigationBarColor";

  explicit ModalNavigationBar(const ui::Rect& frame = {0, 0, 0, kHeight}) : ui::View(frame) {}
  static std::shared_ptr<ModalNavigationBar> create();

  void initSize(ui::Size size);
  void showLineAtTop();
  // A different item replaces the old one; nullptr removes it.
  void setLeftItem(const std::shared_ptr<ui::View>& item);
  void setRightItem(const std::shared_ptr<ui::View>& item);
  const std::shared_ptr<ui::View>& leftItem() const { return leftItem_; }
  const std::shared_ptr<ui::View>& rightItem() const { return rightItem_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& titleView() const { return titleView_; }
  const std::shared_ptr<Line>& line() const { return line_; }

  void drawRect(const ui::Rect& dirtyRect) override;
  void resetCursorRects() override;
  void mouseMoved(const ui::Event& event) override;
  void cursorUpdate(const ui::Event& event) override;

 private:
  void replaceItem(std::shared_ptr<ui::View>& slot, const std::shared_ptr<ui::View>& item, bool right);

  std::shared_ptr<PassthroughAndArrowCursorTextView> titleView_;
  std::shared_ptr<Line> line_;
  std::shared_ptr<ui::View> leftItem_;
  std::shared_ptr<ui::View> rightItem_;
};

// The strip under the pages at the top of a navigation's container.
class NavigationBgView : public ui::View {
 public:
  static constexpr const char* kBackgroundKey = "modalNavBarBackgroundColor";
  explicit NavigationBgView(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<NavigationBgView> create();
  void drawRect(const ui::Rect& dirtyRect) override;
};

}  // namespace vl
