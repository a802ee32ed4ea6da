#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Windows/Main/list/HintTableHooks.h"
#include "Windows/Main/preview/Infobar.h"
#include "Windows/Main/preview/PreviewView2.h"
#include "Windows/Main/preview/Toolbar.h"
#include "platform/foundation/NotificationCenter.h"
#include "ui/Line.h"
#include "ui/view/VLVisualEffectView.h"

namespace vl {

class DisplayAttributedString;

// What the preview column asks of the sync bar in its last slot, which the sync folder puts there: to
// lock it while a panel is down, and to close it when Escape closes a sync panel.
class SyncBarControl {
 public:
  virtual ~SyncBarControl() = default;
  virtual void setEnabled(bool enabled) = 0;
  virtual void close() = 0;
};

// The column beside the record list: the preview, the info bar, the toolbar and the sync bar, top to
// bottom, with a one-point line along its left edge. Main thread only.
class Complement : public VLVisualEffectView {
 public:
  static constexpr double kWidth = 336;
  static constexpr double kHeight = 384;
  static constexpr double kSyncbarHeight = 50;

  static std::shared_ptr<Complement> create();
  Complement();
  ~Complement() override;

  // A nullopt text clears the preview and the alias; the info bar keeps its line.
  void setText(const std::optional<ui::AttributedString>& text, const std::string& viewCls,
               bool isClipboardItem, double copyTimestamp, const std::optional<Json>& json);
  // What the record list hands over for its last selected row. A row that is no record (its notice's
  // isClipboardItem is false) shows no copy time, name field or delete button, neither now nor under
  // what setText shows next over it.
  void show(const PreviewNotice& notice);
  void clear();
  void layout();
  void lightOrDarkChanged() override;

  ui::Size size() const { return {kWidth, kHeight}; }
  bool isFlow() const { return true; }
  const std::shared_ptr<PreviewView2>& preview() const { return preview_; }
  const std::shared_ptr<Infobar>& infobar() const { return infobar_; }
  const std::shared_ptr<Toolbar>& toolbar() const { return toolbar_; }
  const std::shared_ptr<ui::View>& syncbar() const { return syncbar_; }
  // The sync bar comes from the sync folder, above this one; until then a plain bar holds its place.
  void setSyncbar(std::shared_ptr<ui::View> syncbar);
  // Passed on to the sync bar when it is one that can be locked and closed; the placeholder cannot.
  void setSyncbarEnabled(bool enabled);
  void closeSyncbar();
  const std::shared_ptr<Line>& line() const { return line_; }

 private:
  void build();
  struct Component {
    std::shared_ptr<ui::View> view;
    ui::Size size;
  };
  std::vector<Component> components() const;
  void showRecordParts(double copyTimestamp, const std::optional<Json>& json, bool isClipboardItem);

  std::shared_ptr<PreviewView2> preview_;
  std::shared_ptr<Infobar> infobar_;
  std::shared_ptr<Toolbar> toolbar_;
  std::shared_ptr<ui::View> syncbar_;
  std::shared_ptr<Line> line_;
  // The record on show, to let go of it when it is deleted.
  std::optional<std::string> shownText_;
  std::optional<Json> shownJson_;
  std::optional<ui::AttributedString> shownAttributed_;
  // Whether the list's row on show stands for a record.
  bool rowIsRecord_ = true;
  Observation deleteObserver_;
};

// The text a row's record previews with. Rich text and HTML show as their plain text with the search
// matches until their readers come; this is the one place that changes then.
ui::AttributedString previewTextOf(DisplayAttributedString& row);

}  // namespace vl
