#pragma once

#include <memory>
#include <optional>

#include "Windows/Main/list/RenderTextViewSet.h"
#include "Windows/Main/list/TransferProgressView.h"
#include "platform/system/DragSource.h"
#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/table/TableRowView.h"
#include "ui/view/VLImageAspectFillView.h"

namespace vl {

class DisplayAttributedString;
class HintTableRowView;

// What a row tells the list it belongs to; every method is optional.
class HintTableRowViewDelegate {
 public:
  virtual ~HintTableRowViewDelegate() = default;
  // A click on a row whose selection it did not change.
  virtual void rowViewShouldPaste(HintTableRowView&) {}
  // A click that (or a keyboard move before it that) changed the row's selection.
  virtual void rowViewDidSelect(HintTableRowView&) {}
  // The list's width, which the row's text and selection follow.
  virtual double rowViewListWidth() const { return 340; }
  // The list's row menu, asked for by a right click on the row.
  virtual std::shared_ptr<ui::Menu> rowViewMenu(HintTableRowView&) { return nullptr; }
  // The pointer left a pressed row: drag the list's selection out to another application. True when a
  // drag began.
  virtual bool rowViewBeginDrag(HintTableRowView&) { return false; }
};

// One row of the record list: an optional icon, the record's text as one line of runs, the rounded
// accent selection, and while a synced image is still arriving, its progress in place of the icon.
// Rows are reused: each keeps its views and is handed a new result row by setText.
class HintTableRowView : public ui::TableRowView {
 public:
  static constexpr const char* kReuseIdentifier = "row_reuse";
  static constexpr const char* kContentModeNotification = "kNotificationChunkContentModeDidChange";
  static constexpr double kHeight = 32;
  // How far the pointer moves with the button held before a press becomes a drag.
  static constexpr double kDragDistance = 4;
  // What an image icon shows until its picture is decoded.
  static constexpr const char* kPlaceholderKey = "disableBackgroundColor";
  static constexpr const char* kPlaceholderBorderKey = "lineColor";

  HintTableRowView();
  ~HintTableRowView() override;
  // A row that follows the preview switch.
  static std::shared_ptr<HintTableRowView> create(HintTableRowViewDelegate* delegate);

  void setText(const std::shared_ptr<DisplayAttributedString>& row);
  // Looks the record up again and shows it anew (a transfer ended).
  void refresh();
  void setSelected(bool selected) override;
  void chunkContentModeDidChange(bool isFull);

  // A click on the selected row pastes on its release, so that the row can still be dragged out.
  void mouseDown(const ui::Event& event) override;
  void mouseDragged(const ui::Event& event) override;
  void mouseUp(const ui::Event& event) override;
  void drawSelectionInRect(const ui::Rect& dirtyRect) override;
  std::shared_ptr<ui::Menu> menuForEvent(const ui::Event& event) override;

  HintTableRowViewDelegate* delegate() const { return delegate_; }
  void setDelegate(HintTableRowViewDelegate* delegate) { delegate_ = delegate; }
  const std::shared_ptr<DisplayAttributedString>& attributedString() const { return attributedString_; }
  RenderTextViewSet& textViewSet() const { return *textViewSet_; }
  VLImageAspectFillView& iconImageView() const { return *iconImageView_; }
  TransferProgressView& fileTransferEntityView() const { return *fileTransferEntityView_; }
  bool skipMouseDown() const { return skipMouseDown_; }
  // The selection shape for the list's current width.
  const ui::BezierPath& path();
  // The row as it looks now, for the pointer to carry while the row is dragged out, held where the press
  // that began the drag was.
  DragImage dragImage();

 private:
  void showPlaceholder(bool shown);
  double listWidth() const { return delegate_ ? delegate_->rowViewListWidth() : 340; }
  void placeText(bool besideIcon);
  void showIcon();
  std::string signature() const;

  bool skipMouseDown_ = false;
  bool pastePending_ = false;
  // Where the press was (window coordinates); nullopt once it became a drag or ended.
  std::optional<ui::Point> pressedAt_;
  // Where the press that began the last drag was (the row's coordinates).
  std::optional<ui::Point> grabbedAt_;
  // The list, which outlives its rows' use of it.
  HintTableRowViewDelegate* delegate_ = nullptr;
  std::shared_ptr<RenderTextViewSet> textViewSet_;
  std::shared_ptr<VLImageAspectFillView> iconImageView_;
  std::shared_ptr<TransferProgressView> fileTransferEntityView_;
  std::optional<ui::BezierPath> path_;
  double pathWidth_ = -1;
  std::shared_ptr<DisplayAttributedString> attributedString_;
  // Icons chosen now and set on a later turn of the main queue belong to the row shown then.
  std::uint64_t iconGeneration_ = 0;
};

}  // namespace vl
