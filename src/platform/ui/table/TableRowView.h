#pragma once

#include <memory>
#include <optional>

#include "platform/ui/graphics/Color.h"
#include "platform/ui/view/View.h"

namespace vl::ui {

enum class TableSelectionHighlightStyle { None = -1, Regular = 0 };

// The view of one table row. The table creates or reuses it, places it and tells it its row and selection;
// the row's cell views (one per column) are its subviews. Subclasses draw the background and selection
// themselves. Flipped, like the table.
class TableRowView : public View {
 public:
  explicit TableRowView(const Rect& frame = {}) : View(frame) {}
  static std::shared_ptr<TableRowView> create(const Rect& frame = {}) {
    return std::make_shared<TableRowView>(frame);
  }

  bool isFlipped() const override { return true; }
  // The row shown, -1 while the view waits for reuse.
  long row() const { return row_; }
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected);
  bool isEmphasized() const { return emphasized_; }
  void setEmphasized(bool v);
  void setSelectionHighlightStyle(TableSelectionHighlightStyle s);
  // None by default: the table's background shows through.
  const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(std::optional<Color> c);
  // The cell view of a column (nullptr when the row has none there).
  View* viewAtColumn(long column) const;

  void drawRect(const Rect& dirtyRect) override;
  virtual void drawBackgroundInRect(const Rect& dirtyRect);
  virtual void drawSelectionInRect(const Rect& dirtyRect);

 private:
  friend class TableView;
  long row_ = -1;
  bool selected_ = false;
  bool emphasized_ = true;
  TableSelectionHighlightStyle highlightStyle_ = TableSelectionHighlightStyle::Regular;
  std::optional<Color> backgroundColor_;
  std::vector<std::weak_ptr<View>> cells_;
};

}  // namespace vl::ui
