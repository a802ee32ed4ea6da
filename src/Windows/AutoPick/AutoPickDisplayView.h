#pragma once

#include <memory>

#include "platform/ui/view/View.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/RoundTextView.h"

namespace vl {

class AutoPickNode;

// One rule kind as a chip in its colour above a line of description. Clicks go to the row beneath.
class AutoPickDisplayView : public ui::View {
 public:
  explicit AutoPickDisplayView(const ui::Rect& frame = {});
  static std::shared_ptr<AutoPickDisplayView> create(const ui::Rect& frame = {}) {
    return std::make_shared<AutoPickDisplayView>(frame);
  }

  const std::shared_ptr<AutoPickNode>& node() const { return node_; }
  void setNode(std::shared_ptr<AutoPickNode> node);
  void setFrame(const ui::Rect& frame) override;
  void mouseDown(const ui::Event& event) override;

  const std::shared_ptr<RoundTextView>& tagView() const { return tagView_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& descTextView() const { return descTextView_; }

 private:
  void placeChip();

  std::shared_ptr<RoundTextView> tagView_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> descTextView_;
  std::shared_ptr<AutoPickNode> node_;
};

}  // namespace vl
