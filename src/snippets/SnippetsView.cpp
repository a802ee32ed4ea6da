#include "snippets/SnippetsView.h"

#include "core/VLConfig.h"
#include "core/VLConstants.h"
#include "core/notify/VLAppNotifcationCenter.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/window/Window.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr double kContainerWidth = 570;
constexpr double kContainerHeight = 335;
constexpr double kToolbarHeight = 35;
constexpr double kListWidth = 250;
constexpr double kListHeight = 300;

std::string exchangeName() {
  return VLAppNotifcationCenter::getUpdateNameOfGroupUserDefaultsKey(VLConfig::kSnippetsMirror);
}

}  // namespace

SnippetsExchange SnippetsExchange::standard() {
  SnippetsExchange exchange;
  exchange.center = &DistributedNotificationCenter::defaultCenter();
  exchange.merge = [] { return VLAppNotifcationCenter::shared().mergeSnippets(); };
  exchange.publish = [] {
    VLAppNotifcationCenter::shared().saveSnippets();
    // The mirror reads the snippets again at its next start when the post is lost.
    (void)DistributedNotificationCenter::defaultCenter().post(
        VLAppNotifcationCenter::getSendNameOfGroupUserDefaultsKey(VLConfig::kSnippetsMirror),
        kPreferencesAppId);
  };
  return exchange;
}

std::shared_ptr<SnippetsView> SnippetsView::create(const ui::Rect& frame, SnippetsExchange exchange) {
  auto page = std::make_shared<SnippetsView>(frame);
  page->exchange_ = std::move(exchange);
  page->build();
  std::weak_ptr<SnippetsView> weak = page;
  page->reloadObservation_ = NotificationCenter::defaultCenter().observe(kShouldReloadSettings, nullptr,
                                                                         [weak](const Notification&) {
                                                                           if (auto self = weak.lock())
                                                                             self->reload();
                                                                         });
  if (page->exchange_.center) {
    page->exchangeObserver_ =
        page->exchange_.center->addObserver(exchangeName(), "", [weak](const DistributedNotification&) {
          auto self = weak.lock();
          if (!self) return;
          // Even a merge that changed nothing here may follow a change the other side made first.
          if (self->exchange_.merge) self->exchange_.merge();
          self->mirrorSeen_ = mirrorState();
          self->reload();
        });
  }
  page->mirrorSeen_ = mirrorState();
  return page;
}

Json SnippetsView::mirrorState() {
  VLConfig& config = VLConfig::shared();
  return Json::array({config.getValueOfKey(VLConfig::kSnippetsMirror).value_or(Json()),
                      config.getBoolValueOfKey(VLConfig::kSnippetsMerge)});
}

void SnippetsView::settingsChanged() {
  // Without the exchange the page keeps to itself.
  if (!exchange_.merge) return;
  Json now = mirrorState();
  if (now == mirrorSeen_) {
    logDebugf("snippets: the settings hold the %zu snippets as this page left them; the list stays",
              now[0].is_array() ? now[0].size() : std::size_t{0});
    return;
  }
  exchange_.merge();
  mirrorSeen_ = mirrorState();
  reload();
}

SnippetsView::~SnippetsView() {
  if (exchange_.center && exchangeObserver_) exchange_.center->removeObserver(exchangeObserver_);
}

void SnippetsView::build() {
  const double pageH = frame().height();
  containerView_ = ui::View::create({40, pageH - 30 - kContainerHeight, kContainerWidth, kContainerHeight});
  containerView_->setWantsLayer(true);
  containerView_->layer()->setBorderWidth(1);
  setBorderColorAssetKey(*containerView_->layer(), "lineColor");
  addSubview(containerView_);

  toolbar_ = SnippetsToolbar::create({0, kContainerHeight - kToolbarHeight, kContainerWidth, kToolbarHeight});
  toolbar_->setDelegate(std::static_pointer_cast<SnippetsToolbarDelegate>(
      std::static_pointer_cast<SnippetsView>(shared_from_this())));
  containerView_->addSubview(toolbar_);

  const double listY = toolbar_->frame().origin.y - kListHeight;
  scrollTableView_ = SnippetsScrollTableView::create({0, listY, kListWidth, kListHeight});
  scrollTableView_->setDelegate(std::static_pointer_cast<SnippetsScrollTableViewDelegate>(
      std::static_pointer_cast<SnippetsView>(shared_from_this())));
  containerView_->addSubview(scrollTableView_);

  textScrollView_ = VLVisualEffectScrollView::create(
      {kListWidth + 3, listY, kContainerWidth - kListWidth - 3, kListHeight});
  textScrollView_->setHasVerticalScroller(true);
  snippetsTextView_ = PassthroughAndArrowCursorTextView::create({0, 0, kContainerWidth - kListWidth - 3, 18});
  snippetsTextView_->setEditable(false);
  snippetsTextView_->setFont(ui::Font::systemFont(13));
  snippetsTextView_->setVerticallyResizable(true);
  setBackgroundColorAssetKey(*snippetsTextView_, "vellistoBackgroundColorSystem11");
  setTextColorAssetKey(*snippetsTextView_, "fontNormalColor");
  textScrollView_->setDocumentView(snippetsTextView_);
  containerView_->addSubview(textScrollView_);

  const ui::Rect box = containerView_->frame();
  addButton_ = makeButton("+", {box.origin.x, box.origin.y - 10 - 20, 20, 20},
                          ui::MinXMinYCorner | ui::MinXMaxYCorner, "addButtonClick:");
  // U+2212, the minus sign, as wide as the plus beside it.
  deleteButton_ = makeButton("\u2212", {box.origin.x + 20 + 1, box.origin.y - 10 - 20, 20, 20},
                             ui::MaxXMinYCorner | ui::MaxXMaxYCorner, "deleteButtonClick:");

  line_ = Line::ofHeight(static_cast<int>(kContainerHeight - kToolbarHeight), {kListWidth + 1, 0});
  containerView_->addSubview(line_);
}

std::shared_ptr<Button2> SnippetsView::makeButton(const std::string& title, ui::Rect frame,
                                                  std::uint32_t corners, const std::string& action) {
  auto button = Button2::create(frame);
  button->setTitle(title);
  button->setAlignment(ui::TextAlignment::Center);
  button->setFont(ui::Font::systemFont(16, ui::Font::WeightLight));
  button->setRadius(4);
  button->setWantsLayer(true);
  // Joined, the pair reads as one control: only the outer corners are round.
  button->layer()->setMaskedCorners(corners);
  button->setButtonBackgroundColorAssetKey("viceButtonBackgroundColor");
  button->setButtonBackgroundHighlightedColorAssetKey("viceButtonHighlightedBackgroundColor");
  button->setTextColorAssetKey("fontNormalColor");
  button->setBorderWidth(1);
  button->setBorderColorAssetKey("viceButtonBorderColor");
  std::weak_ptr<SnippetsView> weak = std::static_pointer_cast<SnippetsView>(shared_from_this());
  setActionHandler(action, [weak, action](ui::ActionTarget*) {
    auto self = weak.lock();
    if (!self) return;
    if (action == "addButtonClick:") {
      self->addButtonClick();
    } else {
      self->deleteButtonClick();
    }
  });
  button->setTarget(shared_from_this());
  button->setAction(action);
  addSubview(button);
  return button;
}

void SnippetsView::viewDidMoveToSuperview() {
  if (superview()) reload();
}

void SnippetsView::reload() { scrollTableView_->reloadData(); }

void SnippetsView::toolbarDidSearchText(SnippetsToolbar&, const std::string& text) {
  scrollTableView_->reloadDataBySearchText(text);
}

void SnippetsView::tableViewDidSelectText(SnippetsScrollTableView&, const std::optional<std::string>& text) {
  const std::string& full = text ? *text : std::string();
  std::string shown = cutToUtf16Length(full, kPreviewUnits);
  if (shown.size() < full.size()) shown += "\n…";
  snippetsTextView_->setString(shown);
}

void SnippetsView::endEditing() {
  if (ui::Window* w = window()) w->makeFirstResponder(nullptr);
}

void SnippetsView::present(const std::shared_ptr<Alert>& alert) {
  shown_ = alert;
  alert->showWithEscape(this);
}

void SnippetsView::addButtonClick() { openSheet(SnippetsEditView::kAdd, nullptr); }

void SnippetsView::tableViewDidEditSnippet(SnippetsScrollTableView&,
                                           const std::shared_ptr<Vellisto_Chunk>& chunk) {
  if (chunk) openSheet(SnippetsEditView::kEdit, chunk);
}

void SnippetsView::openSheet(SnippetsEditView::Mode mode, const std::shared_ptr<Vellisto_Chunk>& chunk) {
  if (shownAlert() && shownAlert()->superview()) return;
  endEditing();
  auto holder = std::make_shared<std::weak_ptr<SnippetsEditView>>();
  std::weak_ptr<SnippetsView> page = std::static_pointer_cast<SnippetsView>(shared_from_this());
  auto sheet = SnippetsEditView::initWithMode(
      mode,
      [holder, page] {
        auto self = page.lock();
        auto edited = holder->lock();
        if (!self || !edited) return;
        if (edited->mode() == SnippetsEditView::kEdit) {
          self->scrollTableView_->updateData(edited->sig(), edited->alais(), edited->snippet());
        } else {
          self->scrollTableView_->addData(edited->alais(), edited->snippet());
        }
        self->changed();
      },
      [] {});
  *holder = sheet;
  if (chunk) {
    sheet->setAlais(chunk->alias().value_or(""));
    sheet->setSnippet(chunk->context());
    sheet->setSig(chunk->sig());
  }
  present(sheet);
}

void SnippetsView::deleteButtonClick() {
  if (shownAlert() && shownAlert()->superview()) return;
  endEditing();
  std::weak_ptr<SnippetsView> page = std::static_pointer_cast<SnippetsView>(shared_from_this());
  auto alert = Alert::ofTitle(
      localized("pref.snippet.deleteAlert"),
      [page] {
        auto self = page.lock();
        if (!self || self->scrollTableView_->selectedRow() < 0) return;
        self->scrollTableView_->deleteSelection();
        self->changed();
      },
      [] {});
  present(alert);
}

void SnippetsView::changed() {
  if (!exchange_.publish) return;
  // A change list of the other side still waiting is merged by the write-back: that is news to the list.
  const bool othersWaiting = VLConfig::shared().getBoolValueOfKey(VLConfig::kSnippetsMerge);
  exchange_.publish();
  // What this page just wrote itself is no news to it when the preferences window next looks.
  if (!othersWaiting) mirrorSeen_ = mirrorState();
}

}  // namespace vl
