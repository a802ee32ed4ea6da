#include "Windows/Main/preview/Complement.h"

#include <cmath>

#include "VLEngine/search/DisplayAttributedString.h"
#include "theme/VLThemeManager.h"
#include "ui/view/ThemeView.h"

namespace vl {

ui::AttributedString previewTextOf(DisplayAttributedString& row) { return row.mutableAttributedString(); }

namespace {

// The text view paints colours, not keys: the matches take the current theme's colours.
ui::AttributedString withThemeColors(const ui::AttributedString& keyed) {
  ui::AttributedString text = keyed;
  for (const auto& run : keyed.runs()) {
    ui::TextAttributes resolved;
    if (run.attributes.foregroundColorAssetKey) {
      resolved.foregroundColor =
          VLThemeManager::shared().colorForKey(*run.attributes.foregroundColorAssetKey);
    }
    if (run.attributes.backgroundColorAssetKey) {
      resolved.backgroundColor =
          VLThemeManager::shared().colorForKey(*run.attributes.backgroundColorAssetKey);
    }
    text.addAttributes(resolved, run.range);
  }
  return text;
}

}  // namespace

std::shared_ptr<Complement> Complement::create() {
  auto column = std::make_shared<Complement>();
  setBackgroundColorAssetKey(*column, std::string(kBackgroundKey));
  column->build();
  return column;
}

Complement::Complement() : VLVisualEffectView({0, 0, kWidth, kHeight}) {}

Complement::~Complement() = default;

void Complement::build() {
  preview_ = PreviewView2::create();
  infobar_ = Infobar::create();
  toolbar_ = Toolbar::create();
  syncbar_ = ThemeView::withKey({0, 0, kWidth, kSyncbarHeight}, "syncbarBackgroundColor");
  line_ = Line::ofHeight(static_cast<int>(kHeight), {0, 0});
  std::weak_ptr<Complement> weak = std::static_pointer_cast<Complement>(shared_from_this());
  deleteObserver_ =
      Observation(&NotificationCenter::defaultCenter(),
                  NotificationCenter::defaultCenter().addObserver(
                      "VELLISTO_MAIN_checkDeleteEntity", nullptr, [weak](const Notification& n) {
                        auto self = weak.lock();
                        if (!self || !self->shownText_) return;
                        const Json& info = n.userInfo;
                        if (!info.is_object() || info.value("context", std::string()) != *self->shownText_)
                          return;
                        const Json json = info.value("json_data", Json());
                        if (json != (self->shownJson_ ? *self->shownJson_ : Json())) return;
                        self->clear();
                      }));
  layout();
}

void Complement::setSyncbar(std::shared_ptr<ui::View> syncbar) {
  if (syncbar_) syncbar_->removeFromSuperview();
  syncbar_ = std::move(syncbar);
  layout();
}

void Complement::setSyncbarEnabled(bool enabled) {
  if (auto* bar = dynamic_cast<SyncBarControl*>(syncbar_.get())) bar->setEnabled(enabled);
}

void Complement::closeSyncbar() {
  if (auto* bar = dynamic_cast<SyncBarControl*>(syncbar_.get())) bar->close();
}

std::vector<Complement::Component> Complement::components() const {
  return {{preview_, preview_->size()},
          {infobar_, infobar_->size()},
          {toolbar_, toolbar_->size()},
          {syncbar_, syncbar_ ? syncbar_->frame().size : ui::Size{kWidth, kSyncbarHeight}}};
}

void Complement::layout() {
  double y = frame().height();
  for (const Component& c : components()) {
    if (!c.view) continue;
    if (c.view->superview() != this) addSubview(c.view);
    // Single precision, as the column's stacking always was: the bars meet without a hairline gap.
    y = static_cast<float>(y) - c.size.height;
    c.view->setFrame({0, y, c.size.width, c.size.height});
  }
  if (line_->superview() != this) addSubview(line_);
  line_->setFrame({0, 0, 1, kHeight});
}

void Complement::setText(const std::optional<ui::AttributedString>& text, const std::string& viewCls,
                         bool isClipboardItem, double copyTimestamp, const std::optional<Json>& json) {
  if (!text) {
    clear();
    return;
  }
  shownText_ = text->string();
  shownJson_ = json;
  shownAttributed_ = *text;
  preview_->alternateView(viewCls, text->string(), json);
  if (viewCls == PreviewView2::kTextViewClass) preview_->setText(withThemeColors(*text));
  showRecordParts(copyTimestamp, json, isClipboardItem);
}

void Complement::show(const PreviewNotice& notice) {
  if (!notice.row) {
    rowIsRecord_ = true;
    clear();
    return;
  }
  // Only the list knows what its row is; an action's result the thinking bar shows over the row later
  // keeps to that.
  rowIsRecord_ = notice.isClipboardItem;
  setText(previewTextOf(*notice.row), notice.viewCls, notice.isClipboardItem, notice.timestamp, notice.json);
}

void Complement::showRecordParts(double copyTimestamp, const std::optional<Json>& json,
                                 bool isClipboardItem) {
  // A row that is no record (the web search of the query, a tab's tip) was never copied, has no name
  // and nothing to delete: the bars under the preview show nothing of a record for it.
  if (rowIsRecord_) {
    infobar_->setTime(copyTimestamp, json);
  } else {
    infobar_->clearTime();
  }
  toolbar_->update();
  toolbar_->setRecordShown(rowIsRecord_);
  toolbar_->clipboardItemAppeared(isClipboardItem && rowIsRecord_);
}

void Complement::lightOrDarkChanged() {
  VLVisualEffectView::lightOrDarkChanged();
  if (shownAttributed_ && !preview_->customViewNeedLoad()) {
    preview_->textView()->setAttributedString(withThemeColors(*shownAttributed_));
  }
}

void Complement::clear() {
  shownText_.reset();
  shownJson_.reset();
  shownAttributed_.reset();
  preview_->clear();
  toolbar_->clear();
  // Nothing shown, nothing to delete.
  toolbar_->clipboardItemAppeared(false);
}

}  // namespace vl
