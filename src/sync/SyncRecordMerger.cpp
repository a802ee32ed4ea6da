#include "sync/SyncRecordMerger.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <mutex>

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/record/IndexHelper.h"
#include "capture/CopyEntity.h"
#include "core/VLConstants.h"
#include "platform/foundation/Log.h"
#include "sync/transfer/FileTransferCenter.h"

namespace vl {

namespace {

struct Incoming {
  std::string context;
  std::optional<std::string> rich;
  std::optional<std::string> alias;
  std::string timestamp;
  double stamp = 0;
  std::optional<Json> json;
};

bool refuse(std::string* error, std::string why) {
  logWarningf("sync merge: records refused: %s", why.c_str());
  if (error) *error = std::move(why);
  return false;
}

// Absent, null and "" all mean "none" on the wire, which has no optional strings.
bool optionalText(const Json& record, const char* key, std::optional<std::string>* out) {
  auto it = record.find(key);
  if (it == record.end() || it->is_null()) return true;
  if (!it->is_string()) return false;
  if (!it->get_ref<const std::string&>().empty()) *out = it->get<std::string>();
  return true;
}

bool readRecord(const Json& record, std::size_t index, Incoming* out, std::string* error) {
  const std::string at = "record " + std::to_string(index);
  if (!record.is_object()) return refuse(error, at + " is not a dictionary");
  std::optional<std::string> context, timestamp;
  if (!optionalText(record, "context", &context) || !optionalText(record, "timestamp", &timestamp) ||
      !optionalText(record, "rich", &out->rich) || !optionalText(record, "alias", &out->alias)) {
    return refuse(error, at + " has a field that is not text");
  }
  std::optional<double> stamp = timestamp ? SyncRecordMerger::parseTimestamp(*timestamp) : std::nullopt;
  if (!stamp) return refuse(error, at + " has no valid timestamp");
  out->context = context.value_or("");
  out->timestamp = *timestamp;
  out->stamp = *stamp;
  if (auto json = record.find("json"); json != record.end() && !json->is_null()) {
    if (!json->is_object()) return refuse(error, at + " has a json that is not a dictionary");
    out->json = *json;
  }
  return true;
}

std::vector<std::string> mergingCopyParts(const std::optional<Json>& json) {
  std::vector<std::string> parts;
  if (!json) return parts;
  auto it = json->find("merging_copy");
  if (it == json->end() || !it->is_string()) return parts;
  const std::string& joined = it->get_ref<const std::string&>();
  const std::string separator = SyncRecordMerger::kMergingCopySeparator;
  std::size_t from = 0;
  while (parts.size() < SyncRecordMerger::kMaxMergingCopyParts) {
    const std::size_t next = joined.find(separator, from);
    std::string part = joined.substr(from, next == std::string::npos ? std::string::npos : next - from);
    if (!part.empty()) parts.push_back(std::move(part));
    if (next == std::string::npos) break;
    from = next + separator.size();
  }
  return parts;
}

// All at once: a list that a thousand merged records each moved to its front one by one would be
// shifted a thousand times.
void moveToHead(const std::vector<std::shared_ptr<Vellisto_Chunk>>& chunks, bool animate) {
  if (chunks.empty()) return;
  RecursiveMutexLock lock(VLEngine::storeMutex());
  std::shared_ptr<VLStoreTab> tab = VLEngine::shared().tabDirectory()->clipboardTab();
  if (!tab) return;
  if (animate) tab->setNewArrivedAnimation(true);
  std::shared_ptr<ChunkSortedWeakTable> table = tab->sortedTable();
  if (table->isEmpty()) return;
  table->moveToFront(chunks);
}

}  // namespace

std::optional<double> SyncRecordMerger::parseTimestamp(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<SyncRecordMerger::Outcome> SyncRecordMerger::merge(const Json& records, Mode mode,
                                                                 std::string* error) {
  if (!records.is_array()) {
    refuse(error, "the records are not a list");
    return std::nullopt;
  }
  if (records.size() > kMaxRecordsPerCall) {
    refuse(error, std::to_string(records.size()) + " records in one call");
    return std::nullopt;
  }
  std::vector<Incoming> incoming(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (!readRecord(records[i], i, &incoming[i], error)) return std::nullopt;
  }

  VLEngine& engine = VLEngine::shared();
  const bool push = mode == Mode::Push;
  Outcome outcome;
  // Every record merged is on disk when the merge returns; the disk is waited for once per doc.
  Vellisto_BigDoc::SyncTogether together;
  std::vector<std::shared_ptr<Vellisto_Chunk>> merged;
  for (Incoming& record : incoming) {
    if (IndexHelper::isApp(record.json) || IndexHelper::isFile(record.json)) {
      ++outcome.dropped;
      continue;
    }
    if (std::string kept = CopyEntity::cutForMaxLength(record.context);
        kept.size() != record.context.size()) {
      logf("sync merge: a received text of %zu bytes cut to %zu", record.context.size(), kept.size());
      record.context = std::move(kept);
      ++outcome.cut;
    }
    std::shared_ptr<Vellisto_Chunk> chunk =
        engine.findContext(record.context, false, record.json, kClipboardPinTabId);
    if (chunk) {
      if (chunk->timestampValue() >= record.stamp) {
        ++outcome.unchanged;
        continue;
      }
      chunk->updateTimestamp(record.timestamp);
      ++outcome.updated;
    } else {
      if (push) {
        for (const std::string& replaced : mergingCopyParts(record.json)) {
          engine.delChunkByContext(replaced, Json::object(), kClipboardPinTabId);
        }
      }
      chunk = engine.append(record.context, push ? record.rich : std::nullopt, record.json, record.alias,
                            record.timestamp, kClipboardPinTabId);
      if (!chunk) continue;
      ++outcome.appended;
      logDebugf("sync merge: appended %s (%zu bytes)", chunk->sig().c_str(), record.context.size());
      if (IndexHelper::isImage(record.json)) {
        FileTransferCenter::defaultCenter().registerChunkSig(chunk->sig());
        outcome.imageSigs.push_back(chunk->sig());
      }
    }
    outcome.mergedRecords.push_back({chunk->sig(), chunk->timestampValue()});
    merged.push_back(std::move(chunk));
  }
  moveToHead(merged, push);
  if (outcome.dropped) logWarningf("sync merge: %zu application or file records dropped", outcome.dropped);
  return outcome;
}

}  // namespace vl
