#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "sync/store/CreatedDataSyncStore.h"
#include "ui/controls/Button2.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/modaltable/ModalTableView.h"
#include "ui/navigation/ModalViewController.h"

namespace vl {

// The networks this device created, one checked (the first at first), each with Edit and Delete, and a
// row that creates a new one. OK serves the checked network and opens the sync bar as its provider.
// Main thread only.
class CreateSyncNetworkController : public ModalViewController,
                                    public ModalTableViewDataSource,
                                    public ModalTableViewDelegate {
 public:
  static constexpr double kMaxTableHeight = 200;
  static constexpr std::size_t kRowsWithoutScroller = 5;

  void viewDidLoad() override;
  // Reads the list again and sizes the table for it.
  void viewWillAppear() override;
  void viewDidAppear() override;
  void viewDidDisappear() override;
  std::shared_ptr<ui::View> rightItem() override;

  long numberOfRowsInTableView(ModalTableView& table) override;
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ModalTableView& table, long row) override;

  void createNewNetwork();
  void itemClick(ModalTableItem& item);
  void editAccessoryClick(ModalTableItemAccessory& accessory);
  // Asks first; OK deletes the network that was clicked, wherever it stands in the list by then.
  void deleteAccessoryClick(ModalTableItemAccessory& accessory);
  void ok();

  const std::vector<CreatedDataSyncStore::Network>& dataSource() const { return dataSource_; }
  std::int64_t checkIndex() const { return checkIndex_; }
  const std::shared_ptr<ModalTableView>& tableView() const { return tableView_; }
  const std::shared_ptr<ModalTableItem>& createNewItem() const { return createNewItem_; }
  const std::shared_ptr<ModalTableSectionView>& chooseSectionView() const { return chooseSectionView_; }
  // The row made for that index; nullptr when none is on show.
  std::shared_ptr<ModalTableItem> itemAt(long row) const;

 private:
  void reloadList();
  void deleteNetwork(const CreatedDataSyncStore::Network& network);
  CreatedDataSyncStore::Network networkAt(std::int64_t position) const;

  std::shared_ptr<ModalTableItem> lastCheckItem_;
  std::shared_ptr<Button2> rightItem_;
  std::shared_ptr<ModalTableItem> createNewItem_;
  std::shared_ptr<ModalTableSectionView> chooseSectionView_;
  std::shared_ptr<ModalTableView> tableView_;
  std::vector<CreatedDataSyncStore::Network> dataSource_;
  std::int64_t checkIndex_ = 0;
  std::map<long, std::shared_ptr<ModalTableItem>> items_;
};

}  // namespace vl
