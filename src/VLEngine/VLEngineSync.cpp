// The store's exports for device sync: the newest records of the clipboard tab's recent list.
#include "VLEngine/VLEngine.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/IndexHelper.h"
#include "VLEngine/doc/JsonDataHelper.h"
#include "core/VLDevice.h"

namespace vl {

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
    Json dictionary = chunk->toDictionary();
    Json json = dictionary["json"].is_object() ? dictionary["json"] : Json::object();
    if (JsonDataHelper::skipSync(json)) continue;
    if (IndexHelper::isImage(json) && !IndexHelper::getImage(json, 10, 10)) continue;
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
    newestFirst.push_back(std::move(dictionary));
  }
  return std::vector<Json>(newestFirst.rbegin(), newestFirst.rend());
}

std::vector<Json> VLEngine::getLatestForDataSync(std::int64_t count) {
  if (count <= 0) return {};
  return exportForDataSync(
      [count](std::size_t index, double) { return static_cast<std::int64_t>(index) < count; });
}

std::vector<Json> VLEngine::getSinceTimestampForDataSync(double timestamp) {
  return exportForDataSync([timestamp](std::size_t, double stamp) { return stamp >= timestamp; });
}

}  // namespace vl
