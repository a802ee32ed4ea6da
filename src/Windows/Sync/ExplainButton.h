#pragma once

#include <memory>
#include <string>

#include "platform/ui/view/View.h"
#include "ui/PassthroughAndArrowCursorTextView.h"

namespace vl {

class ExplainButton;

class ExplainButtonDelegate {
 public:
  virtual ~ExplainButtonDelegate() = default;
  virtual void explainButtonDidClick(ExplainButton& button) = 0;
};

// A choice tile of the start panel: a centred title near its top and a description below, filled with
// the accent colour while selected. A click tells the delegate, which does the selecting. Build with
// create(). Main thread only.
class ExplainButton : public ui::View {
 public:
  explicit ExplainButton(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<ExplainButton> create(const ui::Rect& frame);

  void setTitle(const std::string& title) { titleView_->setString(title); }
  void setDesc(const std::string& desc);
  bool selected() const { return selected_; }
  void setSelected(bool selected);
  // Held weakly; the page that owns the tile outlives it.
  void setExplainButtonDelegate(ExplainButtonDelegate* delegate) { delegate_ = delegate; }

  const std::shared_ptr<PassthroughAndArrowCursorTextView>& titleView() const { return titleView_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& descView() const { return descView_; }
  void mouseDown(const ui::Event& event) override;
  bool acceptsFirstMouse(const ui::Event&) override { return true; }

 private:
  void recolour();

  bool selected_ = false;
  std::shared_ptr<PassthroughAndArrowCursorTextView> titleView_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> descView_;
  ExplainButtonDelegate* delegate_ = nullptr;
};

}  // namespace vl
