#pragma once

#include <map>
#include <memory>
#include <vector>

#include "sync/store/AuthorizedBean.h"
#include "ui/controls/Button2.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/modaltable/ModalTableView.h"
#include "ui/navigation/ModalViewController.h"

namespace vl {

// The devices connected to the served network, each with Disconnect: after a confirmation the device is
// marked, and the server refuses its next request, after which it leaves. The list is read each time
// the page is shown. Main thread only.
class SyncNetworkDevicesController : public ModalViewController,
                                     public ModalTableViewDataSource,
                                     public ModalTableViewDelegate {
 public:
  static constexpr double kMaxTableHeight = 400;

  void viewDidLoad() override;
  void viewWillAppear() override;
  std::shared_ptr<ui::View> rightItem() override;

  long numberOfRowsInTableView(ModalTableView& table) override;
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ModalTableView& table, long row) override;

  void close();
  // Asks first; OK marks the device of that row (its access token, taken at the click).
  void disconnectAccessoryClick(ModalTableItemAccessory& accessory);

  const std::vector<AuthorizedBean>& dataSource() const { return dataSource_; }
  const std::shared_ptr<ModalTableView>& tableView() const { return tableView_; }
  std::shared_ptr<ModalTableItem> itemAt(long row) const;

 private:
  std::shared_ptr<Button2> rightItem_;
  std::vector<AuthorizedBean> dataSource_;
  std::shared_ptr<ModalTableView> tableView_;
  std::map<long, std::shared_ptr<ModalTableItem>> items_;
};

}  // namespace vl
