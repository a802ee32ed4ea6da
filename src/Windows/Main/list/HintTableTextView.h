#pragma once

#include <memory>

#include "platform/ui/view/View.h"

namespace vl {

class DisplayAttributedString;

// A plain row view that only keeps the result row it stands for and redraws when given another.
class HintTableTextView : public ui::View {
 public:
  explicit HintTableTextView(const ui::Rect& frame = {}) : ui::View(frame) {}

  const std::shared_ptr<DisplayAttributedString>& string() const { return string_; }
  void setDisplayAttributedString(std::shared_ptr<DisplayAttributedString> row) {
    string_ = std::move(row);
    setNeedsDisplay(true);
  }

 private:
  std::shared_ptr<DisplayAttributedString> string_;
};

}  // namespace vl
