#include "Windows/AutoPick/SelectAutoPickTagsController.h"

#include <cmath>

#include "Windows/AutoPick/AutoPickDisplayView.h"
#include "Windows/AutoPick/AutoPickNotifications.h"
#include "Windows/AutoPick/AutoPickTagDetailController.h"
#include "Windows/AutoPick/AutoPickTagsEditor.h"
#include "autopick/AutoPickForest.h"
#include "autopick/AutoPickNode.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Regex.h"
#include "theme/VLThemeCategories.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/navigation/ModalNavigationController.h"

namespace vl {

std::shared_ptr<Button2> makeAutoPickConfirmButton(const std::string& titleKey) {
  auto button = Button2::create({0, 5, 65, 30});
  button->setTitle(localized(titleKey));
  button->setRadius(4);
  button->setFont(ui::Font::systemFont(16));
  button->setButtonBackgroundColorAssetKey(std::string("accentColor"));
  button->setTextColorAssetKey(std::string("white"));
  button->setButtonBackgroundDisabledColorAssetKey(std::string("disableBackgroundColor"));
  button->setTextDisabledColorAssetKey(std::string("disableTextColor"));
  button->setAlignment(ui::TextAlignment::Center);
  return button;
}

std::shared_ptr<SelectAutoPickTagsToolbar> SelectAutoPickTagsToolbar::create(const ui::Rect& frame) {
  auto bar = std::make_shared<SelectAutoPickTagsToolbar>(frame);
  bar->setWantsLayer(true);
  setBackgroundColorAssetKey(*bar->layer(), std::string("modalViewBackgroundColor"));
  bar->line_ = Line::ofWidth(int(frame.width()), ui::Point{0, 0});
  bar->addSubview(bar->line_);
  bar->searchTextField_ = ui::TextField::create({5, 5, frame.width() - 10, frame.height() - 10});
  bar->searchTextField_->setFocusRingType(ui::FocusRingType::None);
  bar->searchTextField_->setPlaceholderString(localized("pin.autoPick.search.hint"));
  bar->searchTextField_->setDelegate(std::shared_ptr<ui::TextFieldDelegate>(bar, bar.get()));
  bar->addSubview(bar->searchTextField_);
  return bar;
}

void SelectAutoPickTagsToolbar::controlTextDidChange(ui::TextField& field) {
  if (onSearch_) onSearch_(field.stringValue());
}

void SelectAutoPickTagsController::viewDidLoad() {
  ModalViewController::viewDidLoad();
  if (toolbar_) return;
  const ui::Rect area = view()->bounds();
  tableView_ = ModalTableView::create({0, 0, area.width(), 0});
  auto me = std::static_pointer_cast<SelectAutoPickTagsController>(shared_from_this());
  tableView_->setModalTableViewDataSource(std::shared_ptr<ModalTableViewDataSource>(me, me.get()));
  tableView_->setModalTableViewDelegate(std::shared_ptr<ModalTableViewDelegate>(me, me.get()));
  view()->addSubview(tableView_);
  toolbar_ = SelectAutoPickTagsToolbar::create({0, area.height() - SelectAutoPickTagsToolbar::kHeight,
                                                area.width(), SelectAutoPickTagsToolbar::kHeight});
  std::weak_ptr<SelectAutoPickTagsController> weak = me;
  toolbar_->setOnSearch([weak](const std::string& text) {
    if (auto page = weak.lock()) page->reloadDataBySearchText(text);
  });
  view()->addSubview(toolbar_);
  setActionHandler("ok:", [this](ui::ActionTarget*) { ok(); });
  setActionHandler("itemClick:", [this](ui::ActionTarget* sender) {
    if (auto* item = dynamic_cast<ModalTableItem*>(sender)) itemClick(item->position());
  });
  setActionHandler("addAccessoryClick:", [this](ui::ActionTarget* sender) {
    auto* accessory = dynamic_cast<ModalTableItemAccessory*>(sender);
    if (accessory && accessory->item()) addAccessoryClick(accessory->item()->position());
  });
}

std::shared_ptr<ui::View> SelectAutoPickTagsController::rightItem() {
  if (!rightItem_) {
    rightItem_ = makeAutoPickConfirmButton("ok");
    rightItem_->setTarget(shared_from_this());
    rightItem_->setAction("ok:");
  }
  return rightItem_;
}

void SelectAutoPickTagsController::viewWillAppear() {
  ModalViewController::viewWillAppear();
  // Rules that already have a tag show as added, with their values.
  auto forest = AutoPickForest::standardForest()->copy();
  if (editor_) forest->activeByForest(*editor_->getForest());
  dataSource_ = forest->nodes();
  filterSource_ = dataSource_;
  if (!tableView_) return;
  const double room = view()->bounds().height() - toolbar_->frame().height();
  const double h = std::floor(std::min(room, double(dataSource_.size()) * ModalTableView::kRowHeight));
  tableView_->setFrame({0, toolbar_->frame().origin.y - h + 1, view()->bounds().width(), h});
  tableView_->reloadData();
}

void SelectAutoPickTagsController::reloadDataBySearchText(const std::string& text) {
  if (text.empty()) {
    filterSource_ = dataSource_;
  } else {
    filterSource_.clear();
    RegexOptions options;
    options.caseInsensitive = true;
    options.timeLimitMs = 100;
    if (auto regex = Regex::compile(text, options)) {
      for (const auto& node : dataSource_) {
        if (regex->firstMatch(node->name())) filterSource_.push_back(node);
      }
    }
  }
  if (tableView_) tableView_->reloadData();
}

long SelectAutoPickTagsController::numberOfRowsInTableView(ModalTableView&) {
  return long(filterSource_.size());
}

std::shared_ptr<ui::TableRowView> SelectAutoPickTagsController::tableViewRowViewForRow(ModalTableView&,
                                                                                       long row) {
  auto item = ModalTableItem::create();
  if (row < 0 || std::size_t(row) >= filterSource_.size()) return ModalTableRowViewWrapper::box(item);
  const auto& node = filterSource_[row];
  item->setMode(ModalTableItem::Custom);
  auto display = AutoPickDisplayView::create();
  display->setNode(node);
  item->setCustomView(display);
  item->resetStyle(ModalTableItem::styleAt(row, static_cast<long>(filterSource_.size())));
  item->setPosition(row);
  item->setTarget(shared_from_this());
  item->setAction("itemClick:");

  auto add = ModalTableItemAccessoryButton::create();
  add->setTitle(localized("add"));
  add->setTitleClicked(localized("added"));
  add->setTitleColorAssetKey(std::string("accentTextColor"));
  add->setTitleClickedColorAssetKey(std::string("disableFontColor"));
  add->setClicked(node->active());
  add->setTarget(shared_from_this());
  add->setAction("addAccessoryClick:");
  item->setRightAccessories({add});
  return ModalTableRowViewWrapper::box(item);
}

void SelectAutoPickTagsController::itemClick(long row) {
  if (row < 0 || std::size_t(row) >= filterSource_.size() || !navigationController()) return;
  auto detail = ModalViewController::make<AutoPickTagDetailController>();
  detail->setShowNavigationBarAtBottom(true);
  detail->setNode(filterSource_[row]);
  navigationController()->pushModalViewController(detail);
}

void SelectAutoPickTagsController::addAccessoryClick(long row) {
  if (row < 0 || std::size_t(row) >= filterSource_.size()) return;
  auto node = filterSource_[row];
  node->setActive(true);
  node->activeParent();
  if (tableView_) tableView_->reloadData();
  VLNotificationCenter::postNotificationName(kNotificationAutoPickEditorShouldAddNode, editor_.get(), nullptr,
                                             {{"node", node}});
  if (node->viewName() && !node->viewName()->empty() && navigationController()) {
    auto detail = ModalViewController::make<AutoPickTagDetailController>();
    detail->setShowNavigationBarAtBottom(true);
    detail->setEditable(true);
    detail->setNode(node);
    navigationController()->pushModalViewController(detail);
  }
}

void SelectAutoPickTagsController::ok() {
  auto* nav = navigationController();
  if (nav && nav->presenting()) nav->presenting()->dismiss();
}

}  // namespace vl
