#pragma once

#include <memory>

#include "Windows/AutoPick/AutoPickCustomValueView.h"
#include "ui/controls/Button2.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/navigation/ModalViewController.h"

namespace vl {

class AutoPickNode;

// One rule with its value editor. Editable, its button saves the value into the very node it shows (the
// editor's tag holds the same object) and the tag editor stores the tab's rules; otherwise the button
// only goes back. As the root of the detail slide it closes the slide, pushed in the picker it pops.
class AutoPickTagDetailController : public ModalViewController {
 public:
  void viewDidLoad() override;
  void viewWillAppear() override;
  std::shared_ptr<ui::View> rightItem() override;

  const std::shared_ptr<AutoPickNode>& node() const { return node_; }
  void setNode(std::shared_ptr<AutoPickNode> node) { node_ = std::move(node); }
  bool editable() const { return editable_; }
  void setEditable(bool editable) { editable_ = editable; }
  const std::shared_ptr<AutoPickCustomValueView>& customView() const { return customView_; }
  const std::shared_ptr<ModalTableItem>& tagItem() const { return tagItem_; }
  const std::shared_ptr<Button2>& button() {
    rightItem();
    return rightItem_;
  }

  // The right button. A value its editor refuses keeps the page open.
  void action();

 private:
  std::shared_ptr<Button2> rightItem_;
  bool editable_ = false;
  std::shared_ptr<AutoPickNode> node_;
  std::shared_ptr<ModalTableItem> tagItem_;
  std::shared_ptr<AutoPickCustomValueView> customView_;
};

}  // namespace vl
