#include "Windows/Record/RecordTable.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "VLEngine/doc/record/IndexHelper.h"
#include "VLEngine/image/ImageCodec.h"
#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/paste/PasteService.h"
#include "Windows/Record/RecordViewController.h"
#include "capture/ClipboardListener.h"
#include "capture/CopyEntity.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/ui/window/Window.h"
#include "theme/VLThemeCategories.h"
#include "ui/Line.h"

namespace vl {

namespace {

std::mutex busyMutex;
std::function<bool()>& pasteRoadBusy() {
  static std::function<bool()> busy;
  return busy;
}

std::string jsonText(const Json& json, const char* key) {
  auto it = json.is_object() ? json.find(key) : json.end();
  return it != json.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// A paste is Ctrl+V and nothing else held: with Shift, Alt, Super or Caps Lock it is another command.
bool isPlainPaste(const ui::Event& event) {
  const auto flags = static_cast<std::uint32_t>(event.modifierFlags()) & 0xffff0000u;
  return event.type() == ui::EventType::KeyDown && flags == ui::ModifierFlags::Command &&
         event.keyCode() == ui::KeyCode::V;
}

}  // namespace

RecordTable::RecordTable(const ui::Rect& frame) : VLVisualEffectScrollView(frame) {}

std::shared_ptr<RecordTable> RecordTable::initWithFrame(const ui::Rect& frame) {
  auto table = std::make_shared<RecordTable>(frame);
  table->start();
  return table;
}

void RecordTable::start() {
  auto self = std::static_pointer_cast<RecordTable>(shared_from_this());
  tableView_ = ui::TableView::create({0, 0, frame().width(), frame().height()});
  tableView_->addTableColumn(ui::TableColumn::create("display"));
  tableView_->setHasHeaderView(false);
  tableView_->setIntercellSpacing({tableView_->intercellSpacing().width, 0});
  tableView_->setSelectionHighlightStyle(ui::TableSelectionHighlightStyle::None);
  setBackgroundColorAssetKey(*tableView_, "clear");
  tableView_->setDataSource(self);
  tableView_->setDelegate(self);
  setDrawsBackground(false);
  setDocumentView(tableView_);
  setHasVerticalScroller(false);

  std::weak_ptr<RecordTable> weak = self;
  VLNotificationCenter::addObserver(
      this,
      [weak](const Notification& note) {
        const auto* entity = note.objectAs<std::shared_ptr<CopyEntity>>("copy_entity");
        if (!entity || !*entity) {
          logWarning("record window: a copy arrived without its entity");
          return;
        }
        // Posted on the capture queue; the queue and the list live on the main thread, which takes the
        // copies in the order capture saw them.
        dispatch::Queue::main()->async([weak, copy = *entity] {
          if (auto table = weak.lock()) table->shouldAppendCopyEntity(copy);
        });
      },
      ClipboardListener::kAppendCopyEntity);
  VLNotificationCenter::addObserver(
      this,
      [weak](const Notification&) {
        dispatch::Queue::main()->async([weak] {
          if (auto table = weak.lock()) table->writeToPasteboard();
        });
      },
      kWriteToPasteboard);
  monitorBackend_ = GlobalEventMonitor::shared();
  monitor_ = monitorBackend_->addGlobalMonitorForEvents(
      ui::EventMasks::KeyDown | ui::EventMasks::FlagsChanged, [weak](const ui::Event& event) {
        if (auto table = weak.lock()) table->globalKeyEvent(event);
      });
}

RecordTable::~RecordTable() {
  VLNotificationCenter::removeObserver(this);
  if (monitorBackend_ && monitor_) monitorBackend_->removeMonitor(monitor_);
  cancelPendingWrite();
}

void RecordTable::setPasteRoadBusy(std::function<bool()> busy) {
  std::lock_guard lock(busyMutex);
  pasteRoadBusy() = std::move(busy);
}

bool RecordTable::hasPasteRoadBusy() {
  std::lock_guard lock(busyMutex);
  return static_cast<bool>(pasteRoadBusy());
}

std::vector<PasteboardItem> RecordTable::pasteboardItemsFor(const CopyEntity& entity) {
  PasteboardItem item(kPasteboardTypeString, entity.string());
  const Json& json = entity.jsonData();
  std::error_code error;
  if (const std::string file = percentDecode(jsonText(json, "file")); !file.empty()) {
    if (std::filesystem::exists(file, error)) {
      item.setString(kPasteboardTypeFileURL, fileUrlFromPath(file));
    } else {
      logWarningf("record window: the queued file %s is gone; its text is pasted", file.c_str());
    }
  }
  if (const std::string image = jsonText(json, "image"); !image.empty()) {
    std::optional<std::string> data = files::readFile(image, ImageCodec::kMaxFileBytes);
    if (data && ClipboardListener::contentTypeForImageData(*data) == "image/png") {
      item.setData(kPasteboardTypePNG, std::move(*data));
    } else {
      logWarningf("record window: the queued image %s cannot be read; its text is pasted", image.c_str());
    }
  }
  return {item};
}

void RecordTable::cancelPendingWrite() {
  if (pendingWrite_) pendingWrite_->cancel();
  pendingWrite_.reset();
}

void RecordTable::writeEntry(const RecordQueue::Entry& entry) {
  if (!entry) return;
  // Our own write: capture knows it for ours, so it never comes back as a new row or record.
  if (!PasteService::writeOwn(pasteboardItemsFor(*entry)))
    logWarning("record window: the pasteboard took nothing");
}

void RecordTable::shouldAppendCopyEntity(const std::shared_ptr<CopyEntity>& entity) {
  // Capture asks before it announces, but the window may have closed while the copy was on its way.
  if (!WindowCenter::shared().windowAppear(kRecordWindowKey)) return;
  queue_.append(entity);
  // The new copy is what the pasteboard holds and what is selected; an entry still waiting to be
  // written would overwrite it.
  cancelPendingWrite();
  reloadKeepingSelection();
  tableView_->scrollRowToVisible(0);
  resize();
}

void RecordTable::globalKeyEvent(const ui::Event& event) {
  if (!isPlainPaste(event)) return;
  {
    std::lock_guard lock(busyMutex);
    if (pasteRoadBusy() && pasteRoadBusy()()) return;
  }
  if (!WindowCenter::shared().windowAppear(kRecordWindowKey) || !queue_.hasData()) return;
  if (pendingWrite_) {
    // The paste before this one has had its chance; this one takes the entry that was waiting.
    cancelPendingWrite();
    writeEntry(queue_.selectedEntry());
  }
  const RecordQueue::Entry next = queue_.pasteSelected();
  logDebugf("record window: a paste took an entry; %ld left", queue_.size());
  reloadKeepingSelection();
  resize();
  if (!next) return;
  std::weak_ptr<RecordTable> weak = std::static_pointer_cast<RecordTable>(shared_from_this());
  pendingWrite_ = dispatch::after(kNextEntryDelayMs, dispatch::Queue::main(), [weak] {
    auto self = weak.lock();
    if (!self || !self->pendingWrite_) return;
    self->pendingWrite_.reset();
    self->writeEntry(self->queue_.selectedEntry());
  });
}

void RecordTable::writeToPasteboard() {
  if (!queue_.hasData()) return;
  cancelPendingWrite();
  writeEntry(queue_.entryAt(0));
}

void RecordTable::recordTableRowViewDidSelectRow(RecordTableRowView&, long row) {
  if (row < 0 || row >= queue_.size()) return;
  cancelPendingWrite();
  queue_.select(row);
  reloadKeepingSelection();
  writeEntry(queue_.entryAt(row));
}

long RecordTable::deleteAtRow(long row) {
  const long next = queue_.deleteAtRow(row);
  reloadKeepingSelection();
  resize();
  return next;
}

void RecordTable::reverse() {
  queue_.reverse();
  reloadKeepingSelection();
}

void RecordTable::clear() {
  cancelPendingWrite();
  queue_.clear();
  reloadKeepingSelection();
  resize();
}

void RecordTable::reloadKeepingSelection() {
  tableView_->reloadData();
  if (auto row = queue_.selected()) {
    tableView_->selectRowIndexes(ui::IndexSet{*row}, false);
  } else {
    tableView_->deselectAll();
  }
  for (long row = 0; row < queue_.size(); ++row) {
    if (auto view = tableView_->rowViewAtRow(row, false)) view->setSelected(queue_.selected() == row);
  }
}

int RecordTable::heightOf(long row) const {
  const RecordQueue::Entry entry = queue_.entryAt(row);
  if (!entry) return 36;
  const int w = static_cast<int>(frame().width());
  const bool icon = IndexHelper::needShowIcon(entry->jsonData());
  return RecordTableRowView::calcHeight(
      RecordTableRowView::shownText(entry->string(), icon ? w - 39 : w - 18), w - 18, icon);
}

void RecordTable::resize() {
  int h = 0;
  for (long row = 0; row < std::min<long>(queue_.size(), kMaxShownRows); ++row) h += heightOf(row);
  setFrameSize({frame().width(), double(h)});
  tableView_->setFrameSize({frame().width(), tableView_->frame().height()});
  if (controller_) controller_->resize();
  setHasVerticalScroller(queue_.size() > kMaxShownRows);
}

std::optional<double> RecordTable::tableViewHeightOfRow(ui::TableView&, long row) { return heightOf(row); }

std::shared_ptr<ui::TableRowView> RecordTable::tableViewRowViewForRow(ui::TableView& table, long row) {
  auto view = std::dynamic_pointer_cast<RecordTableRowView>(
      table.makeViewWithIdentifier(RecordTableRowView::kReuseIdentifier));
  if (!view) {
    view = RecordTableRowView::initWithWidth(static_cast<int>(frame().width()));
    view->setDelegate(this);
    view->setMouseResponder(WindowCenter::shared().windowForKey(kRecordWindowKey).get());
  }
  view->setRowIndex(row);
  view->setEntity(queue_.entryAt(row));
  view->line().setHidden(row == queue_.size() - 1);
  return view;
}

void RecordTable::tableViewDidAddRowView(ui::TableView&, ui::TableRowView& rowView, long row) {
  rowView.setBackgroundColor(std::nullopt);
  rowView.setSelected(queue_.selected() == row);
}

}  // namespace vl
