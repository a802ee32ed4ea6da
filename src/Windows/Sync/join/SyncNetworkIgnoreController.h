#pragma once

#include <memory>
#include <optional>

#include "sync/store/ClientSyncNetworkBean.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/navigation/ModalViewController.h"

namespace vl {

// The forget page of the joined network: its name as the title, the device that serves it, and a row
// that forgets it (the remembered token goes, and a joined device leaves it first). It has no action
// button. Main thread only; held by shared_ptr (ModalViewController::make).
class SyncNetworkIgnoreController : public ModalViewController {
 public:
  // Set before the page is pushed.
  void setBean(ClientSyncNetworkBean bean) { bean_ = std::move(bean); }
  const std::optional<ClientSyncNetworkBean>& bean() const { return bean_; }

  void viewDidLoad() override;
  // Forgets the network and goes back to the join page, after the goodbye when it is the joined one.
  void ignore();

  const std::shared_ptr<ModalTableItem>& ignoreItem() const { return ignoreItem_; }
  const std::shared_ptr<ModalTableSectionView>& deviceNameSectionView() const {
    return deviceNameSectionView_;
  }
  const std::shared_ptr<ModalTableItem>& deviceItem() const { return deviceItem_; }

 private:
  void back();

  std::optional<ClientSyncNetworkBean> bean_;
  std::shared_ptr<ModalTableItem> ignoreItem_;
  std::shared_ptr<ModalTableSectionView> deviceNameSectionView_;
  std::shared_ptr<ModalTableItem> deviceItem_;
};

}  // namespace vl
