#include "snippets/SnippetsScrollTableView.h"

#include <algorithm>

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLEngineSnippetsStore.h"
#include "VLEngine/doc/index/SortedTableHelper.h"
#include "core/VLConstants.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Text.h"
#include "snippets/SnippetsTableRowView.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

// Files and images carry a json of their own and are no snippets; an HTML copy still is one.
bool isSnippet(const Vellisto_Chunk& chunk) {
  if (!chunk.hasAlias()) return false;
  const auto& json = chunk.json();
  if (!json || !json->is_object() || json->empty()) return true;
  return json->contains("html");
}

void clearCachedMatches() { VLEngineSnippetsStore().clearClipboardCachedFile(); }

}  // namespace

std::shared_ptr<SnippetsScrollTableView> SnippetsScrollTableView::create(const ui::Rect& frame) {
  auto list = std::make_shared<SnippetsScrollTableView>(frame);
  list->setHasVerticalScroller(true);
  auto table = VLTableView::create();
  table->setRowHeight(SnippetsTableRowView::kHeight);
  // The rows' label colour follows light and dark, so the table behind them must too.
  setBackgroundColorAssetKey(static_cast<ui::TableView&>(*table),
                             std::string("vellistoBackgroundColorSystem11"));
  table->setDelegate(std::static_pointer_cast<ui::TableViewDelegate>(list));
  table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(list));
  // No target: the responder chain carries the double click from the table up to this scroll view.
  table->setDoubleAction(kRowDoubleClick);
  list->tableView_ = table;
  list->setDocumentView(table);
  std::weak_ptr<SnippetsScrollTableView> weak = list;
  list->setActionHandler(kRowDoubleClick, [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->rowDoubleClick();
  });
  return list;
}

const std::vector<std::shared_ptr<Vellisto_Chunk>>& SnippetsScrollTableView::snippets() {
  if (!source_) {
    auto chunks = VLEngine::shared().getHasAliasChunks();
    // The store lists oldest docs first; reversed, records of one time stamp stay newest first.
    std::reverse(chunks.begin(), chunks.end());
    std::stable_sort(chunks.begin(), chunks.end(),
                     [](const auto& a, const auto& b) { return a->timestampValue() > b->timestampValue(); });
    source_.emplace();
    for (auto& chunk : chunks) {
      if (chunk && isSnippet(*chunk)) source_->push_back(std::move(chunk));
    }
  }
  return *source_;
}

const std::vector<std::shared_ptr<Vellisto_Chunk>>& SnippetsScrollTableView::rows() {
  if (!filterSource_) filterSource_ = snippets();
  return *filterSource_;
}

void SnippetsScrollTableView::reloadData() {
  source_.reset();
  filterSource_.reset();
  showRow(0);
}

void SnippetsScrollTableView::reloadDataBySearchText(const std::string& text) {
  if (text.empty()) {
    filterSource_.reset();
  } else {
    const std::string prefix = caseFold(text);
    std::vector<std::shared_ptr<Vellisto_Chunk>> kept;
    for (const auto& chunk : snippets()) {
      if (startsWith(caseFold(chunk->alias().value_or("")), prefix)) kept.push_back(chunk);
    }
    filterSource_ = std::move(kept);
  }
  showRow(0);
}

std::shared_ptr<Vellisto_Chunk> SnippetsScrollTableView::addData(const std::string& alias,
                                                                 const std::string& text) {
  if (alias.empty() || text.empty()) {
    logWarning("snippets: add refused, the alias or the text is empty");
    return nullptr;
  }
  VLEngine& engine = VLEngine::shared();
  rows();
  auto chunk = engine.getChunkByContext(text, std::nullopt, kClipboardPinTabId);
  if (chunk) {
    engine.updateContext(text, alias, std::nullopt, kClipboardPinTabId, true);
    const long at = findInRows(chunk.get());
    if (at > 0) {
      std::swap((*filterSource_)[0], (*filterSource_)[at]);
    } else if (at < 0) {
      filterSource_->insert(filterSource_->begin(), chunk);
    }
  } else {
    chunk = engine.append(text, std::nullopt, std::nullopt, alias, kClipboardPinTabId);
    if (!chunk) {
      logError("snippets: the store took no new snippet");
      return nullptr;
    }
    filterSource_->insert(filterSource_->begin(), chunk);
  }
  showRow(0);
  tableView_->scrollRowToVisible(0);
  afterChange(chunk);
  return chunk;
}

std::shared_ptr<Vellisto_Chunk> SnippetsScrollTableView::updateData(const std::string& sig,
                                                                    const std::string& alias,
                                                                    const std::string& text) {
  VLEngine& engine = VLEngine::shared();
  auto edited = sig.empty() ? nullptr : engine.getChunkBySig(sig, kClipboardPinTabId);
  if (!edited) return addData(alias, text);
  if (alias.empty() || text.empty()) {
    logWarning("snippets: save refused, the alias or the text is empty");
    return nullptr;
  }
  rows();
  if (edited->context() == text) {
    engine.updateContext(text, alias, edited->json(), kClipboardPinTabId, true);
    long at = findInRows(edited.get());
    if (at < 0) {
      filterSource_->insert(filterSource_->begin(), edited);
      at = 0;
    }
    showRow(at);
    tableView_->scrollRowToVisible(at);
    afterChange(edited);
    return edited;
  }
  // A new text is a new snippet: the edited one stays in the history and in the list as it was.
  auto other = engine.getChunkByContext(text, edited->json(), kClipboardPinTabId);
  if (!other) return addData(alias, text);
  // The text is another record's: the edited snippet would only repeat it, so the two become that one.
  engine.updateContext(text, alias, edited->json(), kClipboardPinTabId, true);
  if (const long at = findInRows(edited.get()); at >= 0) filterSource_->erase(filterSource_->begin() + at);
  engine.delChunkByContext(edited->context(), edited->json(), kClipboardPinTabId);
  long at = findInRows(other.get());
  if (at < 0) {
    filterSource_->insert(filterSource_->begin(), other);
    at = 0;
  }
  showRow(at);
  tableView_->scrollRowToVisible(at);
  afterChange(other);
  return other;
}

void SnippetsScrollTableView::deleteSelection() {
  const long row = tableView_->selectedRow();
  if (row < 0 || row >= static_cast<long>(rows().size())) return;
  auto chunk = rows()[row];
  const Json json = chunk->json().value_or(Json::object());
  // Capture forgets its last copy when it was this text, or the next poll would bring it back.
  NotificationCenter::defaultCenter().post(kCheckDeleteEntity, nullptr,
                                           Json{{"context", chunk->context()}, {"json_data", json}});
  VLEngine::shared().delChunkByContext(chunk->context(), chunk->json(), kClipboardPinTabId);
  clearCachedMatches();
  filterSource_->erase(filterSource_->begin() + row);
  source_.reset();
  showRow(row);
}

void SnippetsScrollTableView::selectRow(long row) {
  if (row < 0 || row >= static_cast<long>(rows().size())) return;
  tableView_->selectRowIndexes(ui::IndexSet{row}, false);
  tellSelected(rows()[row]->context());
}

long SnippetsScrollTableView::numberOfRowsInTableView(ui::TableView&) {
  return static_cast<long>(rows().size());
}

std::optional<double> SnippetsScrollTableView::tableViewHeightOfRow(ui::TableView&, long) {
  return SnippetsTableRowView::kHeight;
}

std::shared_ptr<ui::TableRowView> SnippetsScrollTableView::tableViewRowViewForRow(ui::TableView& table,
                                                                                  long row) {
  auto view = std::dynamic_pointer_cast<SnippetsTableRowView>(
      table.makeViewWithIdentifier(SnippetsTableRowView::kReuseIdentifier));
  if (!view) view = SnippetsTableRowView::create();
  if (row >= 0 && row < static_cast<long>(rows().size())) view->setChunk(rows()[row]);
  return view;
}

bool SnippetsScrollTableView::tableViewShouldSelectRow(ui::TableView&, long row) {
  if (row >= 0 && row < static_cast<long>(rows().size())) tellSelected(rows()[row]->context());
  return true;
}

void SnippetsScrollTableView::rowDoubleClick() {
  const long row = tableView_->selectedRow();
  if (row < 0 || row >= static_cast<long>(rows().size())) return;
  if (auto d = delegate()) d->tableViewDidEditSnippet(*this, rows()[row]);
}

void SnippetsScrollTableView::tellSelected(std::optional<std::string> text) {
  if (auto d = delegate()) d->tableViewDidSelectText(*this, text);
}

long SnippetsScrollTableView::findInRows(const Vellisto_Chunk* chunk) {
  const auto& list = rows();
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].get() == chunk) return static_cast<long>(i);
  }
  return -1;
}

void SnippetsScrollTableView::showRow(long row) {
  tableView_->reloadData();
  if (row >= 0 && row < static_cast<long>(rows().size())) {
    selectRow(row);
  } else {
    tableView_->deselectAll();
    tellSelected(std::nullopt);
  }
}

void SnippetsScrollTableView::afterChange(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  source_.reset();
  SortedTableHelper::notify(kClipboardPinTabId, chunk, true);
  clearCachedMatches();
}

}  // namespace vl
