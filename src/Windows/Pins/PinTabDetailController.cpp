#include "Windows/Pins/PinTabDetailController.h"

#include <algorithm>

#include "pins/PinManager.h"
#include "pins/PinTab.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "theme/VLThemeCategories.h"
#include "ui/controls/ButtonPresets.h"
#include "ui/navigation/ModalNavigationController.h"
#include "ui/panels/SlideCenter.h"

namespace vl {

std::shared_ptr<Button2> makePinPageOkButton(const std::shared_ptr<ui::ActionTarget>& target,
                                             const std::string& action) {
  return makeNavigationActionButton(localized("ok"), target, action);
}

const std::shared_ptr<Button2>& PinTabDetailController::okButton() {
  if (!okButton_) okButton_ = makePinPageOkButton(shared_from_this(), "add:");
  return okButton_;
}

const std::shared_ptr<PinTabView>& PinTabDetailController::preview() {
  if (!preview_) {
    preview_ = PinTabView::preview("", "", globalColorPanel_ ? globalColorPanel_->selectedColor() : "");
  }
  return preview_;
}

void PinTabDetailController::viewDidLoad() {
  ModalViewController::viewDidLoad();
  // The navigation loads its root page at every presentation; the rows are made once.
  if (loaded_) return;
  loaded_ = true;
  setActionHandler("add:", [this](ui::ActionTarget*) { add(); });
  auto self = std::static_pointer_cast<PinTabDetailController>(shared_from_this());
  const double W = view()->frame().width(), H = view()->frame().height();

  nameItem_ = ModalTableItem::create({0, H - 70, W, 40});
  nameItem_->setMode(ModalTableItem::TextInput);
  nameItem_->resetStyle(ModalTableItem::Single);
  nameItem_->setPlaceholder(localized("pin.tab.detail.pin.name"));
  setTextColorAssetKey(*nameItem_->input(), std::string("fontNormalColor"));
  nameItem_->input()->setDelegate(std::shared_ptr<ui::TextFieldDelegate>(self, self.get()));
  view()->addSubview(nameItem_);

  globalColorPanel_ = GlobalColorPanel::create({0, nameItem_->frame().minY() - 95, W, 80});
  globalColorPanel_->setGcpDelegate(std::shared_ptr<GlobalColorPanelDelegate>(self, self.get()));
  view()->addSubview(globalColorPanel_);
  globalColorPanel_->load();

  autoPickSectionView_ = ModalTableSectionView::create({0, globalColorPanel_->frame().minY() - 35, W, 35});
  autoPickSectionView_->setTitle(localized("pin.autoPick"));
  view()->addSubview(autoPickSectionView_);

  autoPickTagsContainer_ = ui::View::create({0, autoPickSectionView_->frame().minY() - 110, W, 100});
  view()->addSubview(autoPickTagsContainer_);
  placeRulesEditor();
}

void PinTabDetailController::setRulesEditor(std::shared_ptr<PinTabRulesEditor> editor) {
  if (rulesEditor_ && rulesEditor_->view()) rulesEditor_->view()->removeFromSuperview();
  rulesEditor_ = std::move(editor);
  placeRulesEditor();
}

void PinTabDetailController::placeRulesEditor() {
  if (!autoPickTagsContainer_ || !rulesEditor_) return;
  auto editorView = rulesEditor_->view();
  if (!editorView) return;
  editorView->setFrame(autoPickTagsContainer_->bounds());
  autoPickTagsContainer_->addSubview(editorView);
}

void PinTabDetailController::loadState() {
  if (!nameItem_) return;
  if (pinTab_) {
    nameItem_->setText(pinTab_->name());
    globalColorPanel_->setColor(pinTab_->bgColor());
    // A colour of no swatch (a folder made elsewhere) is kept, and no swatch claims to be it.
    const auto& colors = globalColorPanel_->globalColors();
    globalColorPanel_->chooser()->setHidden(std::find(colors.begin(), colors.end(), pinTab_->bgColor()) ==
                                            colors.end());
    preview()->setName(pinTab_->name());
    preview()->setBgColor(pinTab_->bgColor());
    setTitle(localized("pin.tab.detail.title.modify"));
  } else {
    nameItem_->setText("");
    globalColorPanel_->setDefaultColor();
    globalColorPanel_->chooser()->setHidden(false);
    preview()->setName("");
    preview()->setBgColor(globalColorPanel_->defaultColor());
    setTitle(localized("pin.tab.detail.title.create"));
  }
  if (rulesEditor_) rulesEditor_->loadTags(pinTab_ ? pinTab_->pinTabId() : std::string());
}

void PinTabDetailController::controlTextDidChange(ui::TextField& field) {
  preview()->setName(field.stringValue());
}

bool PinTabDetailController::didSelectedColor(const std::string& hex) {
  preview()->setBgColor(hex);
  if (globalColorPanel_) globalColorPanel_->chooser()->setHidden(false);
  return true;
}

void PinTabDetailController::didClickLeftItem() {
  SlideCenter::shared().dismissExistSlideIfNeededOn(getMainView().get());
}

void PinTabDetailController::add() {
  const std::string name = nameItem_ ? nameItem_->text().value_or("") : std::string();
  // The field's own text wins over the working copy: a paste or undo may not have been reported.
  preview()->setName(name);
  if (name.empty()) {
    simpleAlert(localized("pin.tab.detail.pin.name.alert"));
    return;
  }
  auto delegate = delegate_.lock();
  if (!delegate) {
    logWarning("pin tab form: nobody carries out the form; it stays open");
    return;
  }
  if (pinTab_) {
    if (!delegate->editPinTabId(pinTab_->pinTabId(), name, "", preview()->bgColor())) {
      simpleAlert(localized("pin.tab.detail.pin.name.invalid"));
      return;
    }
  } else {
    const std::string id = delegate->addPinTabWithName(name, "", preview()->bgColor());
    if (id.empty()) {
      simpleAlert(localized("pin.tab.detail.pin.name.invalid"));
      return;
    }
    auto tab = PinManager::shared().getTabOfId(id);
    if (tab && rulesEditor_) tab->setAutoPickForest(rulesEditor_->getForest());
  }
  if (auto* nav = navigationController(); nav && nav->presenting()) nav->presenting()->dismiss();
}

}  // namespace vl
