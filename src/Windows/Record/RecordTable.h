#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Windows/Record/RecordQueue.h"
#include "Windows/Record/RecordTableRowView.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/system/Pasteboard.h"
#include "platform/ui/table/TableView.h"
#include "ui/view/VLVisualEffectScrollView.h"

namespace vl {

namespace dispatch {
class DelayedBlock;
}
class RecordViewController;

// The record window's list and the paste queue behind it. While the window shows, every copy capture
// announces joins at the top; a paste typed in another application takes the selected entry out and
// puts the next one on the pasteboard. Main thread only, except the announcement, which it moves there.
class RecordTable : public VLVisualEffectScrollView,
                    public ui::TableViewDataSource,
                    public ui::TableViewDelegate,
                    public RecordTableRowViewDelegate {
 public:
  static constexpr const char* kWriteToPasteboard = "kNotificationWriteToPasteboard";
  // The pasting application asks for the pasteboard only after it got the key; the next entry waits
  // this long so the paste still reads the entry it was typed for. A second paste within the wait
  // takes the next entry at once.
  static constexpr double kNextEntryDelayMs = 150;
  static constexpr int kMaxShownRows = 10;

  explicit RecordTable(const ui::Rect& frame);
  // Listens for copies and for pastes in other applications for as long as it lives.
  static std::shared_ptr<RecordTable> initWithFrame(const ui::Rect& frame);
  ~RecordTable() override;

  // Whether a paste of ours is under way (a record or an action's result): the Ctrl+V seen then is the
  // one we sent, not the queue's. Nothing is busy until start-up says how to tell.
  static void setPasteRoadBusy(std::function<bool()> busy);
  static bool hasPasteRoadBusy();
  // What goes on the pasteboard for an entry: its text, and its file or image when those still exist.
  static std::vector<PasteboardItem> pasteboardItemsFor(const CopyEntity& entity);

  void shouldAppendCopyEntity(const std::shared_ptr<CopyEntity>& entity);
  // One key or modifier event seen in another application.
  void globalKeyEvent(const ui::Event& event);
  // After the application hid itself: the top entry goes back on the pasteboard.
  void writeToPasteboard();
  long deleteAtRow(long row);
  void reverse();
  void clear();
  void resize();
  bool hasData() const { return queue_.hasData(); }

  const RecordQueue& queue() const { return queue_; }
  ui::TableView& tableView() const { return *tableView_; }
  void setRecordViewController(RecordViewController* controller) { controller_ = controller; }

  long numberOfRowsInTableView(ui::TableView&) override { return queue_.size(); }
  std::optional<double> tableViewHeightOfRow(ui::TableView&, long row) override;
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ui::TableView&, long row) override;
  void tableViewDidAddRowView(ui::TableView&, ui::TableRowView& rowView, long row) override;
  void recordTableRowViewDidSelectRow(RecordTableRowView&, long row) override;

 private:
  void start();
  int heightOf(long row) const;
  void reloadKeepingSelection();
  void writeEntry(const RecordQueue::Entry& entry);
  void cancelPendingWrite();

  RecordQueue queue_;
  std::shared_ptr<ui::TableView> tableView_;
  RecordViewController* controller_ = nullptr;
  std::shared_ptr<GlobalEventMonitor::Monitor> monitor_;
  std::shared_ptr<GlobalEventMonitor> monitorBackend_;
  std::shared_ptr<dispatch::DelayedBlock> pendingWrite_;
};

}  // namespace vl
