#pragma once

#include <memory>

#include "platform/ui/view/ViewController.h"
#include "ui/controls/ButtonPresets.h"

namespace vl {

class RecordTable;
class RecordToolbar;
class RecordWindow;

// Lays out the record window: the toolbar on top, the queue under it and the tip where the queue is
// empty. The window grows and shrinks downwards with the queue; its top edge stays.
class RecordViewController : public ui::ViewController {
 public:
  static std::shared_ptr<RecordViewController> create(RecordWindow* window);

  // The shown record window's table; nullptr when there is none.
  static std::shared_ptr<RecordTable> recordTable();

  void loadView() override;
  void viewDidLoad() override;
  // Every showing starts with an empty queue.
  void viewWillAppear() override;
  void resize();

  RecordWindow* window() const { return window_; }
  const std::shared_ptr<RecordToolbar>& toolbar() const { return toolbar_; }
  const std::shared_ptr<RecordTable>& table() const { return recordTable_; }
  const std::shared_ptr<SubtitleLabel>& tips() const { return tips_; }
  int gap() const { return gap_; }
  void setNeedClear(bool v) { needClear_ = v; }

 private:
  RecordWindow* window_ = nullptr;  // the window owns this controller
  std::shared_ptr<RecordToolbar> toolbar_;
  std::shared_ptr<RecordTable> recordTable_;
  std::shared_ptr<SubtitleLabel> tips_;
  int gap_ = 10;
  bool needClear_ = true;
};

}  // namespace vl
