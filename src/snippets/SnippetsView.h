#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/DistributedNotificationCenter.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/view/View.h"
#include "snippets/SnippetsEditView.h"
#include "snippets/SnippetsScrollTableView.h"
#include "snippets/SnippetsToolbar.h"
#include "ui/Line.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/controls/Button2.h"
#include "ui/view/VLVisualEffectScrollView.h"

namespace vl {

// How the page hears of snippets changed by another process, and tells of its own changes. Without a
// centre the page keeps to itself.
struct SnippetsExchange {
  DistributedNotificationCenter* center = nullptr;
  // Applies the change list the other process left in the shared settings; true when it changed any.
  std::function<bool()> merge;
  // Writes the snippets back to the shared settings after a change made here.
  std::function<void()> publish;

  // The program's own: the default centre and the shared exchange of the settings.
  static SnippetsExchange standard();
};

// The snippets page: the list under its search strip, the chosen snippet's text beside it, "+" and "-"
// under the list. "+" and a double click open the edit sheet; "-" asks before it deletes. Main thread.
class SnippetsView : public ui::View, public SnippetsToolbarDelegate, public SnippetsScrollTableViewDelegate {
 public:
  static constexpr const char* kShouldReloadSettings = "SnippetsViewShouldReloadSettings";
  // Past this many UTF-16 units the preview shows the beginning only, so that a snippet of megabytes
  // never has to be laid out in full.
  static constexpr std::size_t kPreviewUnits = 20000;

  explicit SnippetsView(const ui::Rect& frame) : ui::View(frame) {}
  ~SnippetsView() override;
  static std::shared_ptr<SnippetsView> create(const ui::Rect& frame, SnippetsExchange exchange = {});

  const std::shared_ptr<ui::View>& containerView() const { return containerView_; }
  const std::shared_ptr<SnippetsToolbar>& toolbar() const { return toolbar_; }
  const std::shared_ptr<SnippetsScrollTableView>& scrollTableView() const { return scrollTableView_; }
  const std::shared_ptr<Line>& line() const { return line_; }
  const std::shared_ptr<Button2>& addButton() const { return addButton_; }
  const std::shared_ptr<Button2>& deleteButton() const { return deleteButton_; }
  const std::shared_ptr<VLVisualEffectScrollView>& textScrollView() const { return textScrollView_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& snippetsTextView() const {
    return snippetsTextView_;
  }
  // The sheet or confirmation now up, if any.
  std::shared_ptr<Alert> shownAlert() const { return shown_.lock(); }

  void reload();
  // The shared settings changed (the preferences window looks every second): when the snippets' copy in
  // them is other than this page left it, the change list waiting there is merged and the list read
  // afresh; a change this page wrote itself keeps the list, its filter and its selection.
  void settingsChanged();
  void addButtonClick();
  void deleteButtonClick();
  void viewDidMoveToSuperview() override;

  void toolbarDidSearchText(SnippetsToolbar& toolbar, const std::string& text) override;
  void tableViewDidSelectText(SnippetsScrollTableView& list, const std::optional<std::string>& text) override;
  void tableViewDidEditSnippet(SnippetsScrollTableView& list,
                               const std::shared_ptr<Vellisto_Chunk>& chunk) override;

 private:
  void build();
  void openSheet(SnippetsEditView::Mode mode, const std::shared_ptr<Vellisto_Chunk>& chunk);
  void present(const std::shared_ptr<Alert>& alert);
  void endEditing();
  void changed();
  // Keys 106 and 110 as they stand in the settings.
  static Json mirrorState();
  std::shared_ptr<Button2> makeButton(const std::string& title, ui::Rect frame, std::uint32_t corners,
                                      const std::string& action);

  SnippetsExchange exchange_;
  std::uint64_t exchangeObserver_ = 0;
  Observation reloadObservation_;
  std::shared_ptr<ui::View> containerView_;
  std::shared_ptr<SnippetsToolbar> toolbar_;
  std::shared_ptr<SnippetsScrollTableView> scrollTableView_;
  std::shared_ptr<Line> line_;
  std::shared_ptr<Button2> addButton_;
  std::shared_ptr<Button2> deleteButton_;
  std::shared_ptr<VLVisualEffectScrollView> textScrollView_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> snippetsTextView_;
  std::weak_ptr<Alert> shown_;
  // The snippets' copy in the settings as this page last wrote or merged it.
  Json mirrorSeen_;
};

}  // namespace vl
