#include "think/bar/ThinkingBar.h"

#include <algorithm>

#include "VLEngine/doc/record/IndexHelper.h"
#include "VLEngine/doc/record/JsonDataHelper.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/Complement.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/ui/window/Window.h"
#include "think/actions/DictionaryAction.h"
#include "ui/panels/PanelCenter.h"

namespace vl {

namespace {

std::shared_ptr<Complement> complementOf(const std::shared_ptr<MainViewController>& controller) {
  return controller ? std::dynamic_pointer_cast<Complement>(controller->chunkContent()->complement())
                    : nullptr;
}

}  // namespace

std::shared_ptr<ThinkingBar> ThinkingBar::create(Host host) {
  auto bar = std::make_shared<ThinkingBar>(std::move(host));
  setBackgroundColorAssetKey(*bar, std::string("thinkingBarBackgroundColor"));
  LocalShortcutsManager::shared().registerReceiver(std::shared_ptr<ShortcutReceiver>(bar, bar.get()),
                                                   LocalShortcutsManager::Order::ThinkingBar);
  std::weak_ptr<ThinkingBar> weak = bar;
  DictionaryAction::shared().setDefinitionArrived([weak](const std::string& word) {
    if (auto b = weak.lock()) b->definitionArrived(word);
  });
  return bar;
}

ThinkingBar::Host ThinkingBar::hostOf(const std::weak_ptr<MainViewController>& controller) {
  Host host;
  host.searchText = [controller]() -> std::optional<std::string> {
    auto c = controller.lock();
    if (!c) return std::nullopt;
    return c->searchInput()->text();
  };
  host.selectedRow = [controller]() -> std::shared_ptr<DisplayAttributedString> {
    auto c = controller.lock();
    return c ? c->hintTable()->lastSelectedItem() : nullptr;
  };
  host.stashList = [controller] {
    if (auto c = controller.lock()) c->hintTable()->stash();
  };
  host.preview = [controller](const std::optional<ui::AttributedString>& text, const std::string& viewCls,
                              const Json& json) {
    if (auto column = complementOf(controller.lock()))
      column->setText(text, viewCls, false, Clock::current().now(), json);
  };
  host.endAliasEditing = [controller] {
    if (auto column = complementOf(controller.lock())) column->toolbar()->resignAlaisText();
  };
  host.blocked = [] { return PanelCenter::shared().isShown(); };
  return host;
}

std::shared_ptr<ThinkingBar> ThinkingBar::installInto(const std::shared_ptr<MainViewController>& controller) {
  auto bar = create(hostOf(controller));
  controller->setThinkingBar(bar);
  return bar;
}

ThinkingBar::ThinkingBar(Host host) : VLVisualEffectView({0, 0, kWidth, kHeight}), host_(std::move(host)) {
  scrollView_ = ThinkBarScrollView::create(bounds());
  scrollView_->setTbScrollDelegate(this);
  row_ = std::make_shared<ui::View>(ui::Rect{0, 0, kWidth, kHeight});
  scrollView_->setDocumentView(row_);
  addSubview(scrollView_);
}

ThinkingBar::~ThinkingBar() {
  LocalShortcutsManager::shared().unregisterReceiver(this);
  for (const auto& button : actionButtons_) button->setDelegate(nullptr);
  scrollView_->setTbScrollDelegate(nullptr);
}

void ThinkingBar::setFrameSize(ui::Size size) {
  VLVisualEffectView::setFrameSize(size);
  if (!scrollView_) return;
  scrollView_->setFrame(bounds());
  row_->setFrameSize({std::max(rowEnd_, size.width), size.height});
}

// --- the row ---------------------------------------------------------------------------------------------

void ThinkingBar::refresh() {
  if (!dispatch::MainLoop::isMainThread()) {
    // Never waited for: the caller may hold what the main thread needs.
    std::weak_ptr<ThinkingBar> weak = std::static_pointer_cast<ThinkingBar>(shared_from_this());
    dispatch::Queue::main()->async([weak] {
      if (auto bar = weak.lock()) bar->refresh();
    });
    return;
  }
  onFocus_ = false;
  std::optional<std::string> search = host_.searchText ? host_.searchText() : std::nullopt;
  std::shared_ptr<DisplayAttributedString> row = host_.selectedRow ? host_.selectedRow() : nullptr;
  if (row && IndexHelper::isSearch(row->json())) {
    // The web-search row stands for the query typed: the actions work on that, never on the row's label.
    const Json& json = *row->json();
    const auto given = json.find("search_context");
    const std::string query =
        given != json.end() && given->is_string() ? given->get<std::string>() : search.value_or("");
    loadActions(Think::dump(search, query, std::nullopt));
    return;
  }
  // A tab's tip, or a hint of the program's own, is no text of the user's: nothing is offered for it.
  if (row && !IndexHelper::isRecord(row->json())) row = nullptr;
  loadActions(row ? Think::dump(search, row->string(), row->json())
                  : Think::dump(search, std::nullopt, std::nullopt));
}

void ThinkingBar::loadActions(std::unique_ptr<Think> think) {
  clearOldActionButtons();
  think_ = std::move(think);
  if (!think_) return;
  double x = kGap;
  std::int64_t index = 0;
  for (Action* action : think_->getActions()) {
    auto button = ActionButton::initWithAction(*action);
    button->setDelegate(this);
    button->resizeWithIndex(index++, think_->text(), think_->selectedJsonDict());
    button->setFrameOrigin({x, 6});
    row_->addSubview(button);
    actionButtons_.push_back(button);
    x += button->frame().width() + kGap;
  }
  rowEnd_ = x;
  row_->setFrameSize({std::max(rowEnd_, frame().width()), frame().height()});
  scrollContentTo(0);
  selectedIndex_ = 0;
  stashSelectedIndex_ = 0;
}

void ThinkingBar::clearOldActionButtons() {
  for (const auto& button : actionButtons_) {
    button->setDelegate(nullptr);
    button->removeFromSuperview();
  }
  actionButtons_.clear();
  selectedIndex_ = 0;
  stashSelectedIndex_ = 0;
}

// --- selection -------------------------------------------------------------------------------------------

void ThinkingBar::selectItemIndex(std::int64_t index) {
  const auto count = static_cast<std::int64_t>(actionButtons_.size());
  if (index < 0 || index >= count) return;
  selectedIndex_ = index;
  const std::shared_ptr<ActionButton> button = actionButtons_[static_cast<std::size_t>(index)];
  button->setHighlighted(true);
  update();
  // After a wheel move the row stays where the user put it.
  if (gestureState_ == WheelLeft || gestureState_ == WheelRight) return;
  const double over = getRight(button->frame()) - getRight(scrollVisibleRect());
  if (over > 0) scrollContentTo(scrollVisibleRect().minX() + over + kGap);
  if (button->frame().minX() < scrollVisibleRect().minX())
    scrollContentTo(index == 0 ? 0 : getRight(actionButtons_[static_cast<std::size_t>(index - 1)]->frame()));
}

void ThinkingBar::deselectItem(std::int64_t index) {
  if (index < 0 || index >= static_cast<std::int64_t>(actionButtons_.size())) return;
  actionButtons_[static_cast<std::size_t>(index)]->setHighlighted(false);
}

void ThinkingBar::update() {
  if (!think_ || selectedIndex_ < 0 || selectedIndex_ >= static_cast<std::int64_t>(actionButtons_.size()))
    return;
  Action& action = actionButtons_[static_cast<std::size_t>(selectedIndex_)]->actionRef();
  // The text first: an action may name the preview's view in the json the view is then chosen by.
  const std::optional<ui::AttributedString> text = think_->textOf(action);
  const Json& json = think_->selectedJsonDict();
  if (host_.preview) host_.preview(text, JsonDataHelper::getViewCls(json), json);
}

void ThinkingBar::leftAction() {
  gestureState_ = KeyLeft;
  const auto count = static_cast<std::int64_t>(actionButtons_.size());
  if (count == 0) return;
  deselectItem(selectedIndex_);
  selectItemIndex(selectedIndex_ > 0 ? selectedIndex_ - 1 : count - 1);
}

void ThinkingBar::rightAction() {
  gestureState_ = KeyRight;
  const auto count = static_cast<std::int64_t>(actionButtons_.size());
  if (count == 0) return;
  deselectItem(selectedIndex_);
  selectItemIndex((selectedIndex_ + 1) % count);
}

void ThinkingBar::stash() {
  onFocus_ = false;
  stashSelectedIndex_ = selectedIndex_;
  deselectItem(stashSelectedIndex_);
}

void ThinkingBar::popStash() {
  onFocus_ = true;
  if (host_.endAliasEditing) host_.endAliasEditing();
  selectItemIndex(stashSelectedIndex_);
}

bool ThinkingBar::blocked() const { return host_.blocked && host_.blocked(); }

// --- running ---------------------------------------------------------------------------------------------

void ThinkingBar::click(std::int64_t index) {
  if (blocked()) return;
  if (index < 0 || index >= static_cast<std::int64_t>(actionButtons_.size())) return;
  onFocus_ = true;
  if (actionButtons_[static_cast<std::size_t>(index)]->highlighted()) {
    doActionAtIndex(index);
    return;
  }
  if (host_.stashList) host_.stashList();
  deselectItem(selectedIndex_);
  selectItemIndex(index);
}

void ThinkingBar::doActionAtIndex(std::int64_t index) {
  logDebugf("do actions count %ld", static_cast<long>(actionButtons_.size()));
  if (!think_ || index < 0 || index >= static_cast<std::int64_t>(actionButtons_.size())) return;
  // The task may hide the window and so refresh this bar; the action and its text are taken first.
  Action& action = actionButtons_[static_cast<std::size_t>(index)]->actionRef();
  const std::optional<ui::AttributedString> text = think_->textOf(action);
  const std::string plain = text ? text->string() : std::string();
  action.doTask(plain);
}

bool ThinkingBar::resolvedShortcutKey(const std::string& name) {
  static constexpr std::string_view kSelect = "thinkingBarSelect";
  // Presses in our other windows (the preferences, the record window) are not the bar's.
  const ui::Window* own = window();
  if (!own || !own->isKeyWindow() || !MainViewController::shortcutsReach(*this)) return false;
  if (name.starts_with(kSelect) && name.size() == kSelect.size() + 1) {
    const char digit = name.back();
    if (digit < '1' || digit > '9') return false;
    if (blocked()) return false;
    doActionAtIndex(digit - '1');
    return true;
  }
  if (name == "searchInputAhead" || name == "searchInputEnd") {
    if (!onFocus_ || blocked()) return false;
    if (name == "searchInputAhead") {
      leftAction();
    } else {
      rightAction();
    }
    return true;
  }
  return false;
}

// --- the wheel -------------------------------------------------------------------------------------------

ui::Rect ThinkingBar::scrollVisibleRect() const {
  return scrollView_->documentView() ? scrollView_->documentVisibleRect() : ui::Rect{};
}

void ThinkingBar::scrollContentTo(double x) { scrollView_->scrollToPoint({x, 0}); }

void ThinkingBar::scrollMovingLeft() {
  gestureState_ = WheelLeft;
  const double first = actionButtons_.empty() ? 0 : actionButtons_.front()->frame().minX();
  const ui::Rect visible = scrollVisibleRect();
  if (visible.minX() > first) scrollContentTo(std::max(visible.minX() - kWheelStep, 0.0));
}

void ThinkingBar::scrollMovingRight() {
  gestureState_ = WheelRight;
  const double end = actionButtons_.empty() ? 0 : getRight(actionButtons_.back()->frame());
  const ui::Rect visible = scrollVisibleRect();
  if (end > getRight(visible))
    scrollContentTo(std::min(visible.minX() + kWheelStep, end + kGap - frame().width()));
}

void ThinkingBar::definitionArrived(const std::string& word) {
  // Only a row the user is not moving through is rebuilt; the next refresh finds the word known anyway.
  if (!onFocus_ && think_ && think_->text() == word) refresh();
}

}  // namespace vl
