#pragma once

#include <memory>

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "platform/ui/table/TableRowView.h"
#include "theme/VLThemeCategories.h"
#include "ui/PassthroughAndArrowCursorTextView.h"

namespace vl {

// A row's label: clicks and double clicks on it belong to the row.
class SnippetsTextView : public PassthroughAndArrowCursorTextView {
 public:
  using PassthroughAndArrowCursorTextView::PassthroughAndArrowCursorTextView;
  static std::shared_ptr<SnippetsTextView> create(const ui::Rect& frame = {}) {
    return std::make_shared<SnippetsTextView>(frame);
  }
};

// One snippet of the list: its alias on one line, white on the accent colour while selected.
class SnippetsTableRowView : public VLThemed<ui::TableRowView> {
 public:
  static constexpr const char* kReuseIdentifier = "row_reuse";
  static constexpr double kHeight = 40;

  explicit SnippetsTableRowView(const ui::Rect& frame = {});
  static std::shared_ptr<SnippetsTableRowView> create();

  const std::shared_ptr<SnippetsTextView>& aliasTextView();
  const std::shared_ptr<Vellisto_Chunk>& chunk() const { return chunk_; }
  void setChunk(std::shared_ptr<Vellisto_Chunk> chunk);

  void setSelected(bool selected) override;
  void viewDidMoveToSuperview() override;
  void setFrameSize(ui::Size size) override;
  void drawSelectionInRect(const ui::Rect& dirtyRect) override;

 private:
  void layoutLabel();

  std::shared_ptr<SnippetsTextView> aliasTextView_;
  std::shared_ptr<Vellisto_Chunk> chunk_;
};

}  // namespace vl
