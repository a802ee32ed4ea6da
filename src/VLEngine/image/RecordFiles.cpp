#include "VLEngine/image/RecordFiles.h"

#include <algorithm>
#include <filesystem>

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "VLEngine/image/ImageCache.h"
#include "VLEngine/image/ImageViewLoading.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

// Every json key that names an image file, ours or the user's.
constexpr const char* kImageKeys[] = {"image", "web_image", "screenshot", "forever_image", "image_relative"};

dispatch::Group& pending() {
  static dispatch::Group* group = new dispatch::Group();  // never destroyed: removals may run at exit
  return *group;
}

std::vector<std::string> imageValues(const std::optional<Json>& json) {
  std::vector<std::string> values;
  if (!json || !json->is_object()) return values;
  for (const char* key : kImageKeys) {
    auto it = json->find(key);
    if (it != json->end() && it->is_string() && !it->get<std::string>().empty())
      values.push_back(it->get<std::string>());
  }
  return values;
}

// Whether the decoded path lies strictly inside the folder, after resolving "." and ".." (a record's json
// may come from a sync peer).
bool isInside(const std::string& decodedPath, const std::string& folder) {
  namespace fs = std::filesystem;
  if (folder.empty() || decodedPath.empty() || decodedPath.front() != '/') return false;
  fs::path root = fs::path(folder).lexically_normal();
  if (!root.has_filename()) root = root.parent_path();
  const fs::path path = fs::path(decodedPath).lexically_normal();
  const fs::path relative = path.lexically_relative(root);
  return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

// Whether a live record of any tab still names the value. Store lock held.
bool stillNamed(const std::string& value) {
  for (const auto& tab : VLEngine::shared().tabDirectory()->allTabs()) {
    if (!tab) continue;
    for (auto doc = tab->headDoc(); doc; doc = doc->next()) {
      for (const auto& chunk : doc->chunks()) {
        if (!chunk || chunk->isLogicallyDeleted()) continue;
        for (const std::string& named : imageValues(chunk->json())) {
          if (named == value) return true;
        }
      }
    }
  }
  return false;
}

void removeFiles(const std::optional<Json>& json) {
  const std::vector<std::string> values = imageValues(json);
  if (values.empty()) return;
  VLEngine& engine = VLEngine::shared();
  RecursiveMutexLock lock(VLEngine::storeMutex());
  for (const std::string& value : values) {
    if (stillNamed(value)) continue;
    // Thumbnails are kept under the URL the image loads from, one per width shown.
    ImageViewLoading::cache().removeImagesOfKeyPrefix(ImageViewLoading::cacheKeyPrefix("file://" + value));
  }
  for (const std::string& value :
       RecordFiles::ownedCopies(*json, engine.filePath(), engine.webFilePath(), engine.foreverPath())) {
    if (stillNamed(value)) continue;
    const std::string path = percentDecode(value);
    if (files::isRegularFile(path) && !files::removeRecursive(path)) {
      logWarningf("store: cannot remove %s of a deleted record", path.c_str());
    }
  }
}

}  // namespace

std::vector<std::string> RecordFiles::ownedCopies(const Json& json, const std::string& fileFolder,
                                                  const std::string& webFolder,
                                                  const std::string& foreverFolder) {
  std::vector<std::string> owned;
  if (!json.is_object()) return owned;
  const std::pair<const char*, const std::string*> kinds[] = {{"image", &fileFolder},
                                                              {"web_image", &webFolder},
                                                              {"screenshot", &webFolder},
                                                              {"forever_image", &foreverFolder}};
  for (const auto& [key, folder] : kinds) {
    auto it = json.find(key);
    if (it == json.end() || !it->is_string()) continue;
    const std::string value = it->get<std::string>();
    if (!isInside(percentDecode(value), *folder)) continue;
    if (std::find(owned.begin(), owned.end(), value) == owned.end()) owned.push_back(value);
  }
  return owned;
}

void RecordFiles::recordDidLeave(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  if (!chunk) return;
  const std::optional<Json> json = chunk->json();
  if (imageValues(json).empty()) return;
  // Off the caller's thread: finding whether another record names the file reads every doc.
  pending().async(dispatch::Queue::global(), [json] { removeFiles(json); });
}

void RecordFiles::waitForPendingRemovals() { pending().wait(); }

}  // namespace vl
