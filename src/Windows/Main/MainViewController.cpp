#include "Windows/Main/MainViewController.h"

#include <unistd.h>

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/record/IndexHelper.h"
#include "VLEngine/image/ImageManager.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/MainView.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/ThinkingBarSlot.h"
#include "Windows/Main/detail/DetailView.h"
#include "Windows/Main/list/ContextualMenu.h"
#include "Windows/Main/list/FocusStash.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/placement/AppFrame.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/view/Event.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/window/Window.h"
#include "theme/VLThemeCategories.h"
#include "ui/panels/PanelCenter.h"

namespace vl {

namespace {

constexpr const char* kBarKey = "searchInputBackgroundColor";

bool readable(const std::string& path) { return !path.empty() && ::access(path.c_str(), R_OK) == 0; }

}  // namespace

std::shared_ptr<MainViewController> MainViewController::create() {
  return std::make_shared<MainViewController>();
}

void MainViewController::loadView() {
  auto view = MainView::create({{0, 0}, size()});
  setBackgroundColorAssetKey(*view->layer(), "vellistoBackgroundColorSystem11");
  view->layer()->setBorderWidth(1);
  setBorderColorAssetKey(*view->layer(), "mainPanelBorderColor");
  setView(view);
}

void MainViewController::viewDidLoad() {
  layout();
  auto self = std::static_pointer_cast<MainViewController>(shared_from_this());
  searchInput()->setController(self);
  searchInput()->setHintTable(chunkContent()->hintTable());
  VLEngine::shared().setChannel(chunkContent());

  std::weak_ptr<MainViewController> weak = self;
  PreviewColumnHooks column = PreviewColumnHooks::current();
  column.list = [weak]() -> std::shared_ptr<HintTable2> {
    auto c = weak.lock();
    return c ? c->hintTable() : nullptr;
  };
  column.previewArea = [weak]() -> std::shared_ptr<ui::View> {
    auto c = weak.lock();
    return c ? c->chunkContent()->complement() : nullptr;
  };
  column.blocked = [] { return PanelCenter::shared().isShown(); };
  column.setSearchEditable = [weak](bool editable) {
    if (auto c = weak.lock()) c->searchInput()->textField()->setEditable(editable);
  };
  column.focusSearchInput = [weak] {
    if (auto c = weak.lock()) c->searchInputBecomeFirstResponder();
  };
  column.alertHost = [weak]() -> ui::View* {
    auto c = weak.lock();
    return c ? c->view().get() : nullptr;
  };
  PreviewColumnHooks::install(std::move(column));
}

const std::shared_ptr<SearchInput2>& MainViewController::searchInput() {
  if (!searchInput_) searchInput_ = SearchInput2::create();
  return searchInput_;
}

const std::shared_ptr<ChunkContent>& MainViewController::chunkContent() {
  if (!chunkContent_) {
    HintTableHooks hooks;
    std::weak_ptr<SearchInput2> input = searchInput();
    hooks.searchText = [input] {
      auto i = input.lock();
      return i ? i->text() : std::string();
    };
    hooks.blocked = [] { return PanelCenter::shared().isShown(); };
    hooks.loadMore = [] { VLEngine::shared().noneInputLoadMore(); };
    hooks.takeArrivalAnimation = [] {
      auto tabs = VLEngine::shared().tabDirectory();
      auto tab = tabs ? tabs->activeTab() : nullptr;
      if (!tab || !tab->newArrivedAnimation()) return false;
      tab->setNewArrivedAnimation(false);
      return true;
    };
    hooks.rowMenu = [] { return ContextualMenu::factory().getHintTableMenu(); };
    hooks.paste = [input] {
      if (auto i = input.lock()) i->doPaste(false);
    };
    // A click in the list takes the attention back from the thinking bar.
    std::weak_ptr<MainViewController> self = std::static_pointer_cast<MainViewController>(shared_from_this());
    hooks.stashThinkingBar = [self] {
      auto c = self.lock();
      if (FocusStash* bar = c ? c->thinkingBarFocus() : nullptr) bar->stash();
    };
    hooks.refreshThinkingBar = [self] {
      auto c = self.lock();
      if (ThinkingBarSlot* bar = c ? c->thinkingBarSlot() : nullptr) bar->refresh();
    };
    chunkContent_ = ChunkContent::create(std::move(hooks));
  }
  return chunkContent_;
}

std::shared_ptr<HintTable2> MainViewController::hintTable() { return chunkContent()->hintTable(); }

const std::shared_ptr<ui::View>& MainViewController::pinTabBar() {
  if (!pinTabBar_) pinTabBar_ = ThemeView::withKey({0, 0, 680, kPinTabBarHeight}, kBarKey);
  return pinTabBar_;
}

const std::shared_ptr<ui::View>& MainViewController::thinkingBar() {
  if (!thinkingBar_) thinkingBar_ = ThemeView::withKey({0, 0, 680, kThinkingBarHeight}, kBarKey);
  return thinkingBar_;
}

FocusStash* MainViewController::thinkingBarFocus() { return dynamic_cast<FocusStash*>(thinkingBar().get()); }

ThinkingBarSlot* MainViewController::thinkingBarSlot() {
  return dynamic_cast<ThinkingBarSlot*>(thinkingBar().get());
}

ui::Size MainViewController::size() {
  if (size_.width > 0 || size_.height > 0) return size_;
  if (components_.empty()) {
    if (!line_) line_ = Line::ofWidth(0);
    components_ = {pinTabBar(), searchInput(), thinkingBar(), line_, chunkContent()};
  }
  ui::Size total{};
  for (const auto& part : components_) {
    if (part == line_) {
      total.height += 1;
      continue;
    }
    const ui::Size own = part == chunkContent_ ? chunkContent_->size() : part->frame().size;
    total.height += static_cast<int>(own.height);
    total.width = static_cast<int>(own.width);
  }
  size_ = total;
  return size_;
}

void MainViewController::layout() {
  const std::shared_ptr<ui::View>& root = view();
  root->setFrameSize(size());
  std::shared_ptr<ui::View> previous;
  for (const auto& part : components_) {
    if (part == chunkContent_) chunkContent_->layoutComponents();
    if (!previous) {
      part->setFrameOrigin({0, root->frame().height() - part->frame().height()});
    } else if (part == line_) {
      line_->setFrame({0, previous->frame().minY() - 1, previous->frame().width(), 1});
    } else {
      part->setFrameOrigin({0, previous->frame().minY() - part->frame().height()});
    }
    if (!part->superview()) root->addSubview(part);
    previous = part;
  }
}

void MainViewController::searchInputBecomeFirstResponder() { searchInput()->focusField(); }

void MainViewController::keepTypingInSearch(const std::optional<Range>& caret) {
  ui::Window* window = isViewLoaded() ? view()->window() : nullptr;
  if (!window || !window->isVisible() || !window->isKeyWindow() || blocked() || isShownDetail()) return;
  const ui::TextField& field = *searchInput()->textField();
  const ui::Responder* keyboard = window->firstResponder();
  if (keyboard == &field) return;
  if (const auto* other = dynamic_cast<const ui::TextField*>(keyboard); other && other->isEditable()) return;
  if (const auto* text = dynamic_cast<const ui::TextView*>(keyboard); text && text->isEditable()) return;
  searchInput()->focusFieldAt(caret.value_or(Range(utf16Length(field.stringValue()), 0)));
}

bool MainViewController::blocked() const { return PanelCenter::shared().isShown(); }

bool MainViewController::takesShortcuts() {
  ui::Window* window = isViewLoaded() ? view()->window() : nullptr;
  if (!window) return true;
  if (!window->isKeyWindow() || isShownDetail()) return false;
  const ui::Responder* keyboard = window->firstResponder();
  if (keyboard == searchInput()->textField().get()) return true;
  // What is typed into another field of the window (a snippet name) is text, not a shortcut.
  if (const auto* field = dynamic_cast<const ui::TextField*>(keyboard)) return !field->isEditable();
  if (const auto* text = dynamic_cast<const ui::TextView*>(keyboard)) return !text->isEditable();
  return true;
}

bool MainViewController::shortcutsReach(const ui::View& part) {
  ui::Window* window = part.window();
  auto controller =
      window ? std::dynamic_pointer_cast<MainViewController>(window->contentViewController()) : nullptr;
  return !controller || controller->takesShortcuts();
}

void MainViewController::mouseDown(const ui::Event& event) {
  AppFrame::shared().startDrag(event.locationInWindow());
}

void MainViewController::mouseDragged(const ui::Event& event) {
  AppFrame::shared().updateByMouseDraggedPoint(event.locationInWindow());
}

void MainViewController::mouseUp(const ui::Event&) { AppFrame::shared().stopDrag(); }

void MainViewController::showDetail() {
  dismissDetail();
  detailView_ = DetailView::create({0, 0, view()->frame().width(), 0});
  detailView_->show(view());
}

bool MainViewController::isShownDetail() const {
  return detailView_ && detailView_->superview() != nullptr && detailView_->isShown();
}

void MainViewController::dismissDetail() {
  if (detailView_ && detailView_->isShown()) detailView_->dismiss();
}

bool MainViewController::showPreview() {
  auto row = hintTable()->lastSelectedItem();
  if (!row) return false;
  const std::optional<Json>& json = row->json();
  std::string url;
  if (IndexHelper::isFile(json)) {
    const std::string file = json->value("file", std::string());
    if (readable(percentDecode(file))) url = "file://" + file;
  } else if (IndexHelper::isImage(json)) {
    url = ImageManager::getPath(json).value_or(std::string());
  }
  if (url.empty()) {
    logWarning("quick look: the selected record has no file or image that can be read");
    return false;
  }
  return Workspace::shared()->openURL(url);
}

}  // namespace vl
