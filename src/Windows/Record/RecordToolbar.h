#pragma once

#include <memory>

#include "ui/controls/Button2.h"
#include "ui/controls/ButtonPresets.h"
#include "ui/view/ThemeView.h"

namespace vl {

// The record window's top bar: the close button, the title (which drags the window) and the button that
// turns the queue around.
class RecordToolbar : public ThemeView {
 public:
  static constexpr double kHeight = 35;
  static constexpr const char* kTitle = "Vellisto Record";

  explicit RecordToolbar(const ui::Rect& frame) : ThemeView(frame) {}
  static std::shared_ptr<RecordToolbar> initWithFrame(const ui::Rect& frame);

  void close();
  void sort();
  bool directionUp() const { return sortButton_->isSelected(); }
  void restoreState() { sortButton_->setSelected(false); }

  Button2& sortButton() const { return *sortButton_; }
  Button2& closeButton() const { return *closeButton_; }
  NormalLabel& titleLabel() const { return *titleLabel_; }

 private:
  std::shared_ptr<Button2> closeButton_;
  std::shared_ptr<NormalLabel> titleLabel_;
  std::shared_ptr<Button2> sortButton_;
};

}  // namespace vl
