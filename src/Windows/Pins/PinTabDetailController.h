#pragma once

#include <memory>
#include <string>

#include "Windows/Pins/PinTabView.h"
#include "platform/ui/text/TextField.h"
#include "ui/controls/Button2.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/navigation/ModalViewController.h"
#include "ui/view/GlobalColorPanel.h"

namespace vl {

class AutoPickForest;
class PinTab;

// What carries out the form's decision (the main window's pin tab edits).
class PinTabDetailDelegate {
 public:
  virtual ~PinTabDetailDelegate() = default;
  // The new tab's identifier, made active in the bar; empty when no tab was made (the model refused the
  // name, or the bar holds all the tabs it offers).
  virtual std::string addPinTabWithName(const std::string& name, const std::string& txtColor,
                                        const std::string& bgColor) = 0;
  // False when the tab is gone or the model refused the name.
  virtual bool editPinTabId(const std::string& pinTabId, const std::string& name, const std::string& txtColor,
                            const std::string& bgColor) = 0;
};

// The rule tags editor the form hosts in its tags container. It writes every change of an existing tab's
// rules through to the tab; for a tab being made the form asks it for the rules once the tab exists.
class PinTabRulesEditor {
 public:
  virtual ~PinTabRulesEditor() = default;
  virtual std::shared_ptr<ui::View> view() = 0;
  // Shows the stored rules of the tab (none for an empty identifier).
  virtual void loadTags(const std::string& pinTabId) = 0;
  virtual std::shared_ptr<AutoPickForest> getForest() = 0;
};

// The page of the pin tab form: a name, a colour from the palette and the rule tags; it creates a tab
// (no tab given) or edits one. The name and colour being edited live in a working copy until OK. Main
// thread only.
class PinTabDetailController : public ModalViewController,
                               public ui::TextFieldDelegate,
                               public GlobalColorPanelDelegate {
 public:
  void viewDidLoad() override;
  // Fills the page for the tab (edit mode) or for a new one (create mode).
  void loadState();
  std::shared_ptr<ui::View> rightItem() override { return okButton(); }
  const std::shared_ptr<Button2>& okButton();
  void didClickLeftItem() override;
  // The OK button.
  void add();

  void controlTextDidChange(ui::TextField& field) override;
  bool didSelectedColor(const std::string& hex) override;

  void setDelegate(const std::shared_ptr<PinTabDetailDelegate>& delegate) { delegate_ = delegate; }
  void setPinTab(std::shared_ptr<PinTab> tab) { pinTab_ = std::move(tab); }
  const std::shared_ptr<PinTab>& pinTab() const { return pinTab_; }
  void setRulesEditor(std::shared_ptr<PinTabRulesEditor> editor);
  const std::shared_ptr<PinTabRulesEditor>& rulesEditor() const { return rulesEditor_; }

  const std::shared_ptr<PinTabView>& preview();
  const std::shared_ptr<ModalTableItem>& nameItem() const { return nameItem_; }
  const std::shared_ptr<GlobalColorPanel>& globalColorPanel() const { return globalColorPanel_; }
  const std::shared_ptr<ModalTableSectionView>& autoPickSectionView() const { return autoPickSectionView_; }
  // Where the rule tags editor's view goes; empty until an editor is set.
  const std::shared_ptr<ui::View>& autoPickTagsContainer() const { return autoPickTagsContainer_; }

 private:
  void placeRulesEditor();

  std::shared_ptr<Button2> okButton_;
  std::shared_ptr<PinTabView> preview_;
  std::shared_ptr<PinTab> pinTab_;
  std::shared_ptr<ModalTableItem> nameItem_;
  std::shared_ptr<GlobalColorPanel> globalColorPanel_;
  std::shared_ptr<ModalTableSectionView> autoPickSectionView_;
  std::shared_ptr<ui::View> autoPickTagsContainer_;
  std::shared_ptr<PinTabRulesEditor> rulesEditor_;
  std::weak_ptr<PinTabDetailDelegate> delegate_;
  bool loaded_ = false;
};

// Makes the OK button of a pin tab page.
std::shared_ptr<Button2> makePinPageOkButton(const std::shared_ptr<ui::ActionTarget>& target,
                                             const std::string& action);

}  // namespace vl
