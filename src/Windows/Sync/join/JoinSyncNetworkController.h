#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "sync/discovery/CentralRole.h"
#include "sync/store/ClientSyncNetworkBean.h"
#include "ui/controls/Button2.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/modaltable/ModalTableView.h"
#include "ui/navigation/ModalViewController.h"

namespace vl {

// The join page: the network this device is joined to (a click opens the page that forgets it), the
// networks found nearby over Bluetooth in the order they were found, a rescan, and OK, which opens the
// sync bar as a joined device. A click on a found network joins it with the token this device keeps for
// it, or asks for its password; a remembered network that is found while nothing is joined is joined at
// once. Every showing refreshes the joined row, trims or empties the list and scans again.
//
// Work that finishes later (a goodbye, a sign-in) holds the network it was started for, never a row
// index: the list changes under it. Main thread only; held by shared_ptr (ModalViewController::make).
class JoinSyncNetworkController : public ModalViewController,
                                  public ModalTableViewDataSource,
                                  public ModalTableViewDelegate,
                                  public CentralRoleDelegate {
 public:
  static constexpr double kMaxTableHeight = 200;
  // Nearby devices may advertise any number of networks; the list stops growing here.
  static constexpr std::size_t kMaxListed = 64;

  ~JoinSyncNetworkController() override;

  void viewDidLoad() override;
  // Becomes the scanner's delegate, then chosenRefresh.
  void viewWillAppear() override;
  void viewDidAppear() override;
  std::shared_ptr<ui::View> rightItem() override;
  // As the switch panel's root page Cancel leaves the network (the sync bar closes).
  void didClickLeftItem() override;

  long numberOfRowsInTableView(ModalTableView& table) override;
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ModalTableView& table, long row) override;

  bool centralRoleDidStartDiscover(CentralRole& role) override;
  bool centralRole(CentralRole& role, const CharacteristicValueBean& network) override;
  bool centralRoleDidStopDiscover(CentralRole& role) override;

  // The joined row, the list without the joined network (or empty when none is joined), a new scan.
  void chosenRefresh();
  void scanAccessoryClick();
  void itemClick(ModalTableItem& item);
  // Opens the bar as a joined device; without a joined network it says to choose one.
  void ok();
  // The forget page for the joined network; a beep when none is joined.
  void ignore();
  bool existInDataSource(const ClientSyncNetworkBean& network) const;

  const std::vector<ClientSyncNetworkBean>& dataSource() const { return dataSource_; }
  const std::shared_ptr<ModalTableItem>& chosenItem() const { return chosenItem_; }
  const std::shared_ptr<ModalTableSectionView>& exposureSectionView() const { return exposureSectionView_; }
  const std::shared_ptr<ModalTableItemAccessoryIndicator>& spinner() const { return spinner_; }
  const std::shared_ptr<ModalTableView>& tableView() const { return tableView_; }
  // The row made for that index; nullptr when none is on show.
  std::shared_ptr<ModalTableItem> itemAt(long row) const;

 private:
  // Joins with the remembered token, or pushes the password page.
  void switchTo(ClientSyncNetworkBean network);
  // Joins with the token this device keeps for the network; no password, no sign-in.
  void join(const ClientSyncNetworkBean& network);
  void removeListed(const std::string& networkId);
  void reloadTable();
  bool startPanelShown() const;
  void closePresentingPanel();

  std::shared_ptr<Button2> rightItem_;
  std::shared_ptr<ModalTableItem> chosenItem_;
  std::shared_ptr<ModalTableSectionView> exposureSectionView_;
  std::shared_ptr<ModalTableItemAccessoryIndicator> spinner_;
  std::vector<ClientSyncNetworkBean> dataSource_;
  std::shared_ptr<ModalTableView> tableView_;
  std::map<long, std::shared_ptr<ModalTableItem>> items_;
};

}  // namespace vl
