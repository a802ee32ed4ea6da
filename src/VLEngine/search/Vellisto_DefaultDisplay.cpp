#include "VLEngine/search/Vellisto_DefaultDisplay.h"

#include <algorithm>
#include <thread>

#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/index/ChunkSortedWeakTable.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/SearchCostRecord.h"
#include "platform/dispatch/Dispatch.h"

namespace vl {

namespace {

struct FontSlot {
  std::mutex mutex;
  std::function<ui::Font()> provider;
};

FontSlot& fontSlot() {
  static FontSlot* slot = new FontSlot();
  return *slot;
}

// A row of the record, or of a match of it. A row takes the match's time stamp, or the record's own
// without a match.
std::shared_ptr<DisplayAttributedString> rowOf(const std::shared_ptr<Vellisto_Chunk>& record,
                                               const Vellisto_Index* match, const ui::Font& font) {
  const Vellisto_Chunk& chunk = *record;
  auto row = (match && match->rangeQuery())
                 ? DisplayAttributedString::resultRow(chunk.context(), match->rangeQuery(), font)
                 : DisplayAttributedString::resultRow(
                       chunk.context(), match ? match->rangeList() : std::vector<Range>(), font);
  row->setJsonOfRecord(record);
  row->setTimestamp(match ? match->timestamp() : chunk.timestampValue());
  return row;
}

// Rows [0, count) made by make(i), in order, rows it gives none for left out. Each row reads and
// highlights a whole text and the user waits for the list, so a long list is built on every core
// (though never on the main thread, whose waits run other main-queue work).
template <typename Make>
DisplayRows buildRows(std::size_t count, const Make& make) {
  constexpr std::size_t kRowsPerPiece = 64;
  std::vector<std::shared_ptr<DisplayAttributedString>> slots(count);
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t pieces =
      dispatch::MainLoop::isMainThread()
          ? 1
          : std::clamp<std::size_t>((count + kRowsPerPiece - 1) / kRowsPerPiece, 1, cores);
  auto buildPiece = [&](std::size_t piece) {
    for (std::size_t i = piece * count / pieces, end = (piece + 1) * count / pieces; i < end; ++i)
      slots[i] = make(i);
  };
  dispatch::Group group;
  for (std::size_t piece = 1; piece < pieces; ++piece)
    group.async(dispatch::Queue::global(), [&buildPiece, piece] { buildPiece(piece); });
  buildPiece(0);
  if (pieces > 1) group.wait();
  DisplayRows rows;
  rows.reserve(count);
  for (auto& row : slots) {
    if (row) rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

void Vellisto_DefaultDisplay::setMainFontProvider(std::function<ui::Font()> provider) {
  std::lock_guard<std::mutex> lock(fontSlot().mutex);
  fontSlot().provider = std::move(provider);
}

bool Vellisto_DefaultDisplay::hasMainFontProvider() {
  std::lock_guard<std::mutex> lock(fontSlot().mutex);
  return static_cast<bool>(fontSlot().provider);
}

ui::Font Vellisto_DefaultDisplay::mainFont() {
  std::function<ui::Font()> provider;
  {
    std::lock_guard<std::mutex> lock(fontSlot().mutex);
    provider = fontSlot().provider;
  }
  return provider ? provider() : ui::Font::systemFont(13);
}

std::shared_ptr<Vellisto_AttributedDelegate> Vellisto_DefaultDisplay::attrDecorator() const {
  std::lock_guard<std::mutex> lock(lock_);
  return attrDecorator_;
}

void Vellisto_DefaultDisplay::setAttrDecorator(std::shared_ptr<Vellisto_AttributedDelegate> decorator) {
  std::lock_guard<std::mutex> lock(lock_);
  attrDecorator_ = std::move(decorator);
}

DisplayRows Vellisto_DefaultDisplay::covert(const Vellisto_TempFile& file) {
  const double start = SearchCostRecord::nowMs();
  const ui::Font font = mainFont();
  const auto& matches = file.indexs();
  DisplayRows rows = buildRows(std::min(matches.size(), kMaxRows), [&](std::size_t i) {
    const Vellisto_Index& match = matches[i];
    return match.chunkRef() ? rowOf(match.chunkRef(), &match, font) : nullptr;
  });
  SearchCostRecord::logCost("convert tmp file", start);
  return rows;
}

DisplayRows Vellisto_DefaultDisplay::covertWeakTable(const ChunkSortedWeakTable& table) {
  const double start = SearchCostRecord::nowMs();
  const ui::Font font = mainFont();
  DisplayRows rows;
  for (const auto& chunk : table.liveChunks()) {
    rows.push_back(rowOf(chunk, nullptr, font));
  }
  SearchCostRecord::logCost("convert weak table", start);
  return rows;
}

}  // namespace vl
