#include "ui/panels/VisibleRows.h"

#include <memory>
#include <vector>

#include "platform/ui/table/TableView.h"

namespace vl {

void refreshVisibleRows(ui::View& root) {
  if (auto* table = dynamic_cast<ui::TableView*>(&root)) {
    table->noteNumberOfRowsChanged();
    return;
  }
  // A copy: a table making rows may change its ancestors' lists.
  std::vector<std::shared_ptr<ui::View>> children = root.subviews();
  for (const auto& child : children) refreshVisibleRows(*child);
}

}  // namespace vl
