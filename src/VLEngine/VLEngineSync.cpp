// The store's exports for device sync: the newest records of the clipboard tab's recent list, and pages
// of the records newer than a time, read from the docs.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/record/IndexHelper.h"
#include "VLEngine/doc/record/JsonDataHelper.h"
#include "core/VLDevice.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// The record's dictionary as sync sends it, or nothing for a record that stays here (an application or a
// file) or an image that no longer loads. A record without "sync_device_id" is stamped with this device
// first, and keeps the stamp.
std::optional<Json> exportRecord(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  Json dictionary = chunk->toDictionary();
  Json json = dictionary["json"].is_object() ? dictionary["json"] : Json::object();
  if (JsonDataHelper::skipSync(json)) return std::nullopt;
  if (IndexHelper::isImage(json) && !IndexHelper::getImage(json, 10, 10)) return std::nullopt;
  if (!json.contains("sync_device_id")) {
    json["sync_device_name"] = VLDevice::name();
    json["sync_device_id"] = VLDevice::uuid();
    dictionary["json"] = json;
    if (chunk->getDocRef()) {
      chunk->editJson([&](Json& stored) {
        if (stored.contains("sync_device_id")) return false;
        stored["sync_device_name"] = json["sync_device_name"];
        stored["sync_device_id"] = json["sync_device_id"];
        return true;
      });
    }
  }
  return dictionary;
}

std::size_t textBytes(const Json& dictionary) {
  std::size_t bytes = 0;
  for (const char* key : {"context", "rich", "alias"}) {
    if (auto it = dictionary.find(key); it != dictionary.end() && it->is_string())
      bytes += it->get_ref<const std::string&>().size();
  }
  if (auto json = dictionary.find("json"); json != dictionary.end() && json->is_object()) {
    for (auto it = json->begin(); it != json->end(); ++it) {
      bytes += it.key().size();
      if (it->is_string()) bytes += it->get_ref<const std::string&>().size();
    }
  }
  return bytes;
}

// Now, as a record written now would read back ("%f" keeps microseconds), less one microsecond: a record
// stamped in the same microsecond is not lost to the rounding.
double readTime() {
  std::array<char, 64> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%f", Clock::current().now());
  return std::strtod(buffer.data(), nullptr) - 1e-6;
}

}  // namespace

std::vector<Json> VLEngine::exportForDataSync(const std::function<bool(std::size_t, double)>& keepGoing) {
  std::vector<std::shared_ptr<Vellisto_Chunk>> recent;
  {
    RecursiveMutexLock lock(storeMutex());
    std::shared_ptr<VLStoreTab> clipboard = tabDirectory()->clipboardTab();
    if (!clipboard) return {};
    recent = clipboard->sortedTable()->liveChunks();
  }
  std::vector<Json> newestFirst;
  for (std::size_t i = 0; i < recent.size(); ++i) {
    const std::shared_ptr<Vellisto_Chunk>& chunk = recent[i];
    const double timestamp = chunk->timestampValue();
    if (!keepGoing(i, timestamp)) break;
    if (std::optional<Json> dictionary = exportRecord(chunk)) newestFirst.push_back(std::move(*dictionary));
  }
  return std::vector<Json>(newestFirst.rbegin(), newestFirst.rend());
}

std::vector<Json> VLEngine::getLatestForDataSync(std::int64_t count) {
  if (count <= 0) return {};
  return exportForDataSync(
      [count](std::size_t index, double) { return static_cast<std::int64_t>(index) < count; });
}

DataSyncPage VLEngine::getSinceTimestampForDataSync(double timestamp, const DataSyncPageLimits& limits,
                                                    const DataSyncTimeOf& timeOf) {
  DataSyncPage page;
  std::vector<std::shared_ptr<Vellisto_BigDoc>> docs;
  {
    // Records are stamped and appended under the store's lock: whatever was stamped before this time is
    // in a doc by now.
    RecursiveMutexLock lock(storeMutex());
    page.readAt = readTime();
    for (std::shared_ptr<Vellisto_BigDoc> doc = headDoc(); doc; doc = doc->next()) docs.push_back(doc);
  }
  // A record's stamp says nothing of where it lies: one found again takes a new stamp in its old doc.
  // So every doc is looked at, and only the records that qualify are kept.
  struct Candidate {
    double time;
    std::size_t order;
    std::shared_ptr<Vellisto_Chunk> chunk;
  };
  std::vector<Candidate> candidates;
  // A record counted by its stamp is never counted later than that; one stamped earlier than asked
  // stays out without its signature being built.
  const bool askEarlier = timeOf.time && timeOf.earlierStampsMayCountLater;
  for (const std::shared_ptr<Vellisto_BigDoc>& doc : docs) {
    for (const std::shared_ptr<Vellisto_Chunk>& chunk : doc->chunks()) {
      if (!chunk) continue;
      const double stamp = chunk->timestampValue();
      if ((stamp < timestamp && !askEarlier) || chunk->isLogicallyDeleted()) continue;
      // A time past now (another machine's clock runs ahead) counts as now, so a page never ends
      // beyond it and leaves the records of the next moments behind.
      const double time = std::min(timeOf.time ? timeOf.time(chunk->sig(), stamp) : stamp, page.readAt);
      if (time >= timestamp) candidates.push_back({time, candidates.size(), chunk});
    }
  }
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return a.time != b.time ? a.time < b.time : a.order < b.order;
  });

  std::size_t bytes = 0;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const bool full =
        !page.records.empty() && (page.records.size() >= limits.maxRecords || bytes >= limits.maxBytes);
    if (full) {
      // The next page begins after the last time taken, so the records of that time all come now.
      const double last = candidates[i - 1].time;
      std::size_t ties = 0;
      while (i < candidates.size() && candidates[i].time == last && ties < limits.maxTies) {
        if (std::optional<Json> dictionary = exportRecord(candidates[i].chunk)) {
          page.records.push_back(std::move(*dictionary));
          ++ties;
        }
        ++i;
      }
      if (i < candidates.size() && candidates[i].time == last)
        logWarningf("sync export: more than %zu records share one time; some of them are not sent", ties);
      while (i < candidates.size() && candidates[i].time == last) ++i;
      if (i < candidates.size()) page.next = std::nextafter(last, HUGE_VAL);
      break;
    }
    if (std::optional<Json> dictionary = exportRecord(candidates[i].chunk)) {
      bytes += textBytes(*dictionary);
      page.records.push_back(std::move(*dictionary));
    }
  }
  return page;
}

}  // namespace vl
