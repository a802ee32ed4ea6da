#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/table/TableView.h"
#include "ui/VLTableView.h"

namespace vl {

class SnippetsScrollTableView;

// The page behind the list. Held weakly; both operations are optional.
class SnippetsScrollTableViewDelegate {
 public:
  virtual ~SnippetsScrollTableViewDelegate() = default;
  // The text to preview, or nothing to clear the preview.
  virtual void tableViewDidSelectText(SnippetsScrollTableView& /*list*/,
                                      const std::optional<std::string>& /*text*/) {}
  // A row was double clicked: its record is to be edited.
  virtual void tableViewDidEditSnippet(SnippetsScrollTableView& /*list*/,
                                       const std::shared_ptr<Vellisto_Chunk>& /*chunk*/) {}
};

// The clipboard history's records that carry an alias, newest first, narrowed to those whose alias
// begins with the search text; and the page's changes to them, made through the record store. The rows
// hold the store's own record objects, so a change the store makes shows at once. Main thread only.
class SnippetsScrollTableView : public ui::ScrollView,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate {
 public:
  static constexpr const char* kRowDoubleClick = "rowDoubleClick:";
  static constexpr const char* kCheckDeleteEntity = "VELLISTO_MAIN_checkDeleteEntity";

  explicit SnippetsScrollTableView(const ui::Rect& frame) : ui::ScrollView(frame) {}
  static std::shared_ptr<SnippetsScrollTableView> create(const ui::Rect& frame);

  const std::shared_ptr<VLTableView>& tableView() const { return tableView_; }
  std::shared_ptr<SnippetsScrollTableViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<SnippetsScrollTableViewDelegate>& d) { delegate_ = d; }

  // The whole snippet set read afresh from the store; the first row chosen.
  void reloadData();
  // The snippets whose alias begins with the text, ignoring case; "" shows them all.
  void reloadDataBySearchText(const std::string& text);
  // The record with this text (found, or appended) takes the alias and the current time and goes to the
  // top. An alias may be blank or another snippet's. nullptr, logged, when the alias or the text is empty
  // or the store fails.
  std::shared_ptr<Vellisto_Chunk> addData(const std::string& alias, const std::string& text);
  // The snippet of signature `sig` gets the alias and the text. The same text keeps its row; a new text
  // is added as a new snippet at the top and the edited one stays as it was; the text of another record
  // makes the two that one record (the edited one is deleted). A record that is gone by now (deleted by
  // another process) makes this an add.
  std::shared_ptr<Vellisto_Chunk> updateData(const std::string& sig, const std::string& alias,
                                             const std::string& text);
  // Deletes the selected snippet's record; nothing without a selection.
  void deleteSelection();

  const std::vector<std::shared_ptr<Vellisto_Chunk>>& rows();
  const std::vector<std::shared_ptr<Vellisto_Chunk>>& snippets();
  long selectedRow() const { return tableView_->selectedRow(); }
  // Row and preview, as a click would choose them.
  void selectRow(long row);

  // Table data source and delegate.
  long numberOfRowsInTableView(ui::TableView&) override;
  std::optional<double> tableViewHeightOfRow(ui::TableView&, long) override;
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ui::TableView& table, long row) override;
  bool tableViewShouldSelectRow(ui::TableView&, long row) override;
  void rowDoubleClick();

 private:
  void tellSelected(std::optional<std::string> text);
  long findInRows(const Vellisto_Chunk* chunk);
  // Reloads the table, selects `row` when it exists (else nothing) and previews it.
  void showRow(long row);
  void afterChange(const std::shared_ptr<Vellisto_Chunk>& chunk);

  std::weak_ptr<SnippetsScrollTableViewDelegate> delegate_;
  std::shared_ptr<VLTableView> tableView_;
  std::optional<std::vector<std::shared_ptr<Vellisto_Chunk>>> source_;
  std::optional<std::vector<std::shared_ptr<Vellisto_Chunk>>> filterSource_;
};

}  // namespace vl
