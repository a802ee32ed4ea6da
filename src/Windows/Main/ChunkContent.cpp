#include "Windows/Main/ChunkContent.h"

#include "VLEngine/search/SearchCostRecord.h"
#include "VLEngine/search/SearchHistory.h"
#include "VLEngine/search/Vellisto_Master.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/Complement.h"
#include "Windows/Main/preview/SpaceControl.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "theme/VLThemeCategories.h"

namespace vl {

ChunkContent::ChunkContent(HintTableHooks hooks) : ThemeView({{0, 0}, kSize}), searchText_(hooks.searchText) {
  auto complement = Complement::create();
  std::weak_ptr<Complement> column = complement;
  hooks.preview = [column](const PreviewNotice& notice) {
    if (auto c = column.lock()) c->show(notice);
  };
  hooks.clearPreview = [column] {
    if (auto c = column.lock()) c->clear();
  };
  hooks.previewOff = [] { return SpaceControl::shared().previewOff(); };
  // The alias field names the selected record, so it is open only while the list has the attention.
  hooks.enableAliasText = [column](bool enabled) {
    if (auto c = column.lock()) c->toolbar()->enableAlaisText(enabled);
  };
  hintTable_ = HintTable2::create(std::move(hooks));
  complement_ = std::move(complement);
}

std::shared_ptr<ChunkContent> ChunkContent::create(HintTableHooks hooks) {
  auto content = std::make_shared<ChunkContent>(std::move(hooks));
  setBackgroundColorAssetKey(*content, "searchInputBackgroundColor");
  // The replay cache stores what the list shows now.
  std::weak_ptr<HintTable2> list = content->hintTable_;
  SearchHistory::shared().setRowsProvider([list] {
    auto l = list.lock();
    return l ? l->getDataSource() : DisplayRows{};
  });
  return content;
}

void ChunkContent::receivedData(const DisplayRows& rows, std::int64_t taskId, bool loadMore) {
  auto isStale = [taskId] {
    return taskId < static_cast<std::int64_t>(Vellisto_Master::shared().getAtomTaskId());
  };
  if (isStale()) return;
  auto hand = [&] {
    // A newer search may have started while this thread waited for the main one.
    if (isStale()) return;
    hintTable_->refreshDataSource(rows, loadMore);
    if (loadMore) {
      showLoadMore();
    } else {
      show();
    }
  };
  if (dispatch::MainLoop::isMainThread()) {
    hand();
  } else {
    dispatch::Queue::main()->sync(hand);
  }
  if (std::optional<std::string> line = SearchCostRecord::takeCostLine()) logDebug(*line);
}

void ChunkContent::show() {
  const double start = SearchCostRecord::nowMs();
  if (searchText_) SearchHistory::shared().saveScreenshot(searchText_());
  hintTable_->reload();
  SearchCostRecord::logCost("Show On HintTable", start);
}

void ChunkContent::showLoadMore() {
  const double start = SearchCostRecord::nowMs();
  if (searchText_) SearchHistory::shared().saveScreenshot(searchText_());
  hintTable_->reloadMore();
  SearchCostRecord::logCost("Load More On HintTable", start);
}

void ChunkContent::layoutComponents() {
  setFrameSize(kSize);
  double x = 0;
  for (const std::shared_ptr<ui::View>& part :
       {std::static_pointer_cast<ui::View>(hintTable_), complement_}) {
    if (!part) continue;
    ui::Size own = part == hintTable_ ? hintTable_->size() : part->frame().size;
    if (auto* column = dynamic_cast<Complement*>(part.get())) {
      column->layout();
      own = column->size();
    }
    part->setFrame({{x, 0}, own});
    if (!part->superview()) addSubview(part);
    x += own.width + (part == hintTable_ ? kGap : 0);
  }
}

}  // namespace vl
