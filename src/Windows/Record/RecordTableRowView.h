#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/table/TableRowView.h"

namespace vl {

class CopyEntity;
class Line;
class PassthroughAndArrowCursorTextView;
class RecordTableRowView;
class VLImageAspectFillView;

class RecordTableRowViewDelegate {
 public:
  virtual ~RecordTableRowViewDelegate() = default;
  virtual void recordTableRowViewDidSelectRow(RecordTableRowView&, long /*row*/) {}
};

// One entry of the paste queue: up to two lines of its text, a small icon for files, images and the
// other kinds that carry one, and the arrow on the entry the next paste takes. A press selects the
// entry and starts dragging the window, so the whole panel can be moved by its rows.
class RecordTableRowView : public ui::TableRowView {
 public:
  static constexpr const char* kReuseIdentifier = "row_reuse";
  static constexpr double kIconSize = 18;

  explicit RecordTableRowView(int width);
  static std::shared_ptr<RecordTableRowView> initWithWidth(int width);

  // 36 for one line at the width, 54 for more (the text room is 21 points narrower beside an icon).
  static int calcHeight(const std::string& text, int width, bool withIcon);
  // At most two lines, each cut to `width` when it is given; a longer text ends its second line with "…".
  // A single line that wraps into more than two lines at `width` keeps its first line as wrapped and cuts
  // the rest.
  static std::string shownText(const std::string& text, double width = 0);

  void setEntity(const std::shared_ptr<CopyEntity>& entity);
  const std::shared_ptr<CopyEntity>& entity() const { return entity_; }
  void setSelected(bool selected) override;
  void drawSelectionInRect(const ui::Rect& dirtyRect) override;
  void mouseDown(const ui::Event& event) override;
  void mouseDragged(const ui::Event& event) override;
  void mouseUp(const ui::Event& event) override;
  // The record menu for this row: its Delete takes the entry out of the queue.
  std::shared_ptr<ui::Menu> menuForEvent(const ui::Event& event) override;

  // Where presses, drags and releases go: the record window. Not owned.
  void setMouseResponder(ui::Responder* responder) { mouseResponder_ = responder; }
  void setDelegate(RecordTableRowViewDelegate* delegate) { delegate_ = delegate; }
  long rowIndex() const { return rowIndex_; }
  void setRowIndex(long row) { rowIndex_ = row; }
  Line& line() const { return *line_; }
  VLImageAspectFillView& iconImageView() const { return *iconImageView_; }
  PassthroughAndArrowCursorTextView& textView() const { return *textView_; }
  PassthroughAndArrowCursorTextView& pointerTextView() const { return *pointerTextView_; }

 private:
  int width_;
  long rowIndex_ = 0;
  ui::Responder* mouseResponder_ = nullptr;
  RecordTableRowViewDelegate* delegate_ = nullptr;
  std::shared_ptr<CopyEntity> entity_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> pointerTextView_;
  std::shared_ptr<VLImageAspectFillView> iconImageView_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> textView_;
  std::shared_ptr<Line> line_;
  // An icon looked up now and set on a later turn belongs to the entity shown then.
  std::uint64_t iconGeneration_ = 0;
};

}  // namespace vl
