#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/text/TextField.h"
#include "platform/ui/view/View.h"
#include "ui/Line.h"
#include "ui/controls/Button2.h"
#include "ui/modaltable/ModalTableView.h"
#include "ui/navigation/ModalViewController.h"

namespace vl {

class AutoPickNode;
class AutoPickTagsEditor;

// The search bar over the rule list: reports the field's whole text on every change.
class SelectAutoPickTagsToolbar : public ui::View, public ui::TextFieldDelegate {
 public:
  static constexpr double kHeight = 35;

  using ui::View::View;
  static std::shared_ptr<SelectAutoPickTagsToolbar> create(const ui::Rect& frame);

  void setOnSearch(std::function<void(const std::string&)> onSearch) { onSearch_ = std::move(onSearch); }
  const std::shared_ptr<ui::TextField>& searchTextField() const { return searchTextField_; }
  void controlTextDidChange(ui::TextField& field) override;

 private:
  std::shared_ptr<Line> line_;
  std::shared_ptr<ui::TextField> searchTextField_;
  std::function<void(const std::string&)> onSearch_;
};

// The rule picker: every rule kind with its colour and description, a search over the names, and an
// add button per rule. Adding hands the rule (with its ancestors) to the editor that opened the picker;
// a rule that takes a value opens its detail at once so the value can be typed.
class SelectAutoPickTagsController : public ModalViewController,
                                     public ModalTableViewDataSource,
                                     public ModalTableViewDelegate {
 public:
  void viewDidLoad() override;
  void viewWillAppear() override;
  std::shared_ptr<ui::View> rightItem() override;

  const std::string& pinTabId() const { return pinTabId_; }
  void setPinTabId(std::string id) { pinTabId_ = std::move(id); }
  const std::shared_ptr<AutoPickTagsEditor>& editor() const { return editor_; }
  void setEditor(std::shared_ptr<AutoPickTagsEditor> editor) { editor_ = std::move(editor); }

  // Names holding a case-insensitive match of the text, taken as an expression; an empty text shows
  // every rule, one that does not compile shows none.
  void reloadDataBySearchText(const std::string& text);
  void itemClick(long row);
  void addAccessoryClick(long row);
  void ok();

  const std::vector<std::shared_ptr<AutoPickNode>>& dataSource() const { return dataSource_; }
  const std::vector<std::shared_ptr<AutoPickNode>>& filterSource() const { return filterSource_; }
  const std::shared_ptr<SelectAutoPickTagsToolbar>& toolbar() const { return toolbar_; }
  const std::shared_ptr<ModalTableView>& tableView() const { return tableView_; }

  long numberOfRowsInTableView(ModalTableView& table) override;
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ModalTableView& table, long row) override;
  bool tableViewShouldSelectRow(ModalTableView&, long) override { return false; }

 private:
  std::shared_ptr<Button2> rightItem_;
  std::string pinTabId_;
  std::shared_ptr<AutoPickTagsEditor> editor_;
  std::shared_ptr<SelectAutoPickTagsToolbar> toolbar_;
  std::shared_ptr<ModalTableView> tableView_;
  std::vector<std::shared_ptr<AutoPickNode>> dataSource_;
  std::vector<std::shared_ptr<AutoPickNode>> filterSource_;
};

// "ok" and "save" of the two slides' pages: white on the accent colour.
std::shared_ptr<Button2> makeAutoPickConfirmButton(const std::string& titleKey);

}  // namespace vl
