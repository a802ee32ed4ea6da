#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/view/View.h"

namespace vl {

// What the scroll indicator asks of its list; every method is optional.
class HintTableScrollerDelegate {
 public:
  virtual ~HintTableScrollerDelegate() = default;
  virtual double hintTableScrollerOriginX() { return 0; }
  virtual double hintTableScrollerPageHeight() { return 0; }
  virtual std::int64_t hintTableScrollerPageSize() { return 0; }
  virtual std::int64_t hintTableScrollerDataSize() { return 0; }
  virtual void hintTableScrollerMoveUp() {}
  virtual void hintTableScrollerMoveDown() {}
};

// The thin bar beside the record list: as long as one page is of all rows (never shorter than a row),
// standing where the visible page stands. No bar while everything fits on one page.
class HintTableScroller : public ui::View {
 public:
  static constexpr const char* kColorKey = "accentColor";

  // The delegate (the list) outlives its indicator.
  explicit HintTableScroller(HintTableScrollerDelegate* delegate);

  // Takes the row count and page height again.
  void reload();
  // Moves the bar to a fraction of the way down (0 top, 1 bottom).
  void updatePercentage(double fraction);
  // Takes the list's right edge again.
  void relocate();
  void movingUp();
  void movingDown();

  std::int64_t pageSize() const { return pageSize_; }
  std::int64_t resultSize() const { return resultSize_; }
  double pageHeight() const { return pageHeight_; }
  double height() const { return height_; }
  double originX() const { return originX_; }

  void drawRect(const ui::Rect& dirtyRect) override;

 private:
  std::int64_t pageSize_ = 0;
  std::int64_t resultSize_ = 0;
  double pageHeight_ = 0;
  double height_ = 0;
  double originX_ = 0;
  HintTableScrollerDelegate* delegate_;
};

}  // namespace vl
