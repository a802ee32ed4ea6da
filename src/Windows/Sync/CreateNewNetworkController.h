#pragma once

#include <memory>

#include "sync/store/CreatedDataSyncStore.h"
#include "ui/controls/Button2.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/navigation/ModalViewController.h"

namespace vl {

// The form that creates a network (no bean) or changes one: name, password and its confirmation, the
// passwords in secure fields. Texts are taken as typed. Main thread only.
class CreateNewNetworkController : public ModalViewController {
 public:
  // Set before the page is pushed.
  void setBean(CreatedDataSyncStore::Network bean) { bean_ = std::move(bean); }
  const CreatedDataSyncStore::Network& bean() const { return bean_; }

  void viewDidLoad() override;
  void viewDidAppear() override;
  std::shared_ptr<ui::View> rightItem() override;
  // Checks the three texts (the first failure says which) and stores the network, then goes back.
  void done();

  const std::shared_ptr<ModalTableItem>& nameItem() const { return nameItem_; }
  const std::shared_ptr<ModalTableItem>& passwordItem() const { return passwordItem_; }
  const std::shared_ptr<ModalTableItem>& confirmPasswordItem() const { return confirmPasswordItem_; }

 private:
  std::shared_ptr<ModalTableItem> makeRow(ModalTableItem::Mode mode, ModalTableItem::Style style,
                                          const char* placeholderKey, double y);

  std::shared_ptr<Button2> rightItem_;
  CreatedDataSyncStore::Network bean_;
  std::shared_ptr<ModalTableItem> nameItem_;
  std::shared_ptr<ModalTableItem> passwordItem_;
  std::shared_ptr<ModalTableItem> confirmPasswordItem_;
};

}  // namespace vl
