#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "Windows/Main/list/HintTableHooks.h"
#include "ui/view/ThemeView.h"

namespace vl {

class HintTable2;

// The main window's content under the search field: the record list on the left, the preview column
// on the right. It is the record store's one result channel: rows of an overtaken search never reach
// the list, and the thread that finished a search waits until the list shows its rows.
class ChunkContent : public ThemeView, public Vellisto_DisplayChannelDelegate {
 public:
  static constexpr ui::Size kSize{680, 384};
  static constexpr double kGap = 4;

  explicit ChunkContent(HintTableHooks hooks = {});
  static std::shared_ptr<ChunkContent> create(HintTableHooks hooks = {});

  const std::shared_ptr<HintTable2>& hintTable() const { return hintTable_; }
  // The right-hand column: the preview, its info bar and toolbar.
  const std::shared_ptr<ui::View>& complement() const { return complement_; }

  void receivedData(const DisplayRows& rows, std::int64_t taskId, bool loadMore) override;
  void show();
  void showLoadMore();

  ui::Size size() const { return kSize; }
  bool isFlow() const { return true; }
  void layoutComponents();
  void keyDown(const ui::Event&) override {}

 private:
  std::shared_ptr<HintTable2> hintTable_;
  std::shared_ptr<ui::View> complement_;
  std::function<std::string()> searchText_;
};

}  // namespace vl
