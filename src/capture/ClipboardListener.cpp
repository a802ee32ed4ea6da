#include "capture/ClipboardListener.h"

#include <exception>
#include <utility>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/index/SortedTableHelper.h"
#include "capture/AppMonitor.h"
#include "capture/CaptureHooks.h"
#include "capture/CopyEntity.h"
#include "capture/MergingCopy.h"
#include "capture/PasteboardPolling.h"
#include "core/notify/VLNotificationCenter.h"
#include "pins/PinManager.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

constexpr const char* kClipboard = kClipboardPinTabId;

std::optional<std::string> rtfText(const std::vector<PasteboardItem>& items) {
  for (const auto& item : items) {
    if (auto data = item.data(kPasteboardTypeRTF)) {
      if (isValidUtf8(*data)) return data;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

// Copies the image file the user copied into our own dated folder, under the name the entity chose.
// The source is the path the entity was built from, not a second read of the pasteboard, which may
// hold another copy by now.
bool copyImageFile(const Json& json) {
  const std::string source = percentDecode(jsonString(json, "image_relative"));
  const std::string url = ClipboardListener::getFileUrl(jsonString(json, "image"));
  const std::string target = pathFromFileUrl(url).value_or("");
  if (source.empty() || target.empty()) return false;
  // An equal file under that name is a copy of the same image made earlier.
  if (files::exists(target)) return files::isRegularFile(target);
  return files::copyFile(source, target, false, files::kPrivateFileMode);
}

}  // namespace

ClipboardListener& ClipboardListener::shared() {
  static ClipboardListener* instance = new ClipboardListener(MergingCopy::shared(), AppMonitor::shared());
  return *instance;
}

ClipboardListener::ClipboardListener(MergingCopy& mergingCopy, AppMonitor& appMonitor)
    : mergingCopy_(mergingCopy), appMonitor_(appMonitor) {
  // Where changes are read as they come, the security list is asked then, before anything is read.
  PasteboardPolling::setReadGate([this] { return appMonitor_.copiedFromSecurityApp(); });
  VLNotificationCenter::addObserver(
      this, [this](const Notification& n) { pasteboardDidChange(n); },
      PasteboardPolling::kPasteboardDidChange);
  VLNotificationCenter::addObserver(
      this, [this](const Notification& n) { checkDeleteEntity(n); }, kCheckDeleteEntity);
}

ClipboardListener::~ClipboardListener() {
  VLNotificationCenter::removeObserver(this);
  PasteboardPolling::setReadGate(nullptr);
  for (const auto& queue :
       {PasteboardPolling::pasteboardReadingQueue(), PasteboardPolling::pasteboardDealingQueue()}) {
    if (!queue->isCurrent()) queue->sync([] {});
  }
}

std::shared_ptr<Vellisto_Chunk> ClipboardListener::pasteChunk() const {
  MutexLock lock(mutex_);
  return pasteChunk_;
}

void ClipboardListener::setPasteChunk(std::shared_ptr<Vellisto_Chunk> chunk) {
  MutexLock lock(mutex_);
  pasteChunk_ = std::move(chunk);
}

std::shared_ptr<CopyEntity> ClipboardListener::lastCopyEntity() const {
  MutexLock lock(mutex_);
  return lastCopyEntity_;
}

void ClipboardListener::setLastCopyEntity(std::shared_ptr<CopyEntity> entity) {
  MutexLock lock(mutex_);
  lastCopyEntity_ = std::move(entity);
}

std::string ClipboardListener::getFileUrl(const std::string& path) { return "file://" + path; }

std::optional<std::string> ClipboardListener::contentTypeForImageData(std::string_view data) {
  if (data.empty()) return std::nullopt;
  switch (static_cast<unsigned char>(data.front())) {
    case 'G':
      return "image/gif";
    case 'I':
    case 'M':
      return "image/tiff";
    case 0x89:
      return "image/png";
    case 0xFF:
      return "image/jpeg";
    default:
      return std::nullopt;
  }
}

void ClipboardListener::checkDeleteEntity(const Notification& notification) {
  const auto context = jsonMember(notification.userInfo, "context");
  if (!context || !context->is_string()) return;
  MutexLock lock(mutex_);
  if (lastCopyEntity_ && lastCopyEntity_->string() == context->get<std::string>()) lastCopyEntity_.reset();
}

void ClipboardListener::pasteboardDidChange(const Notification& notification) {
  // One bad copy must never stop capture: the program logs whatever escapes and handles the next copy;
  // tests stop on it, as it is a fault all the same.
  try {
    handleCopy(notification);
  } catch (const std::exception& error) {
    reportUncaughtException("capture: copy dropped; handling of", notification.name.c_str(), &error);
  } catch (...) {
    reportUncaughtException("capture: copy dropped; handling of", notification.name.c_str(), nullptr);
  }
}

bool ClipboardListener::isPasteChunk(const std::shared_ptr<Vellisto_Chunk>& found) const {
  const auto paste = pasteChunk();
  return paste && found && (paste == found || paste->sig() == found->sig());
}

void ClipboardListener::handleCopy(const Notification& notification) {
  if (multiplePaste_.exchange(false)) return;

  // Checked before the copy is read at all: building the entity downloads images and writes
  // screenshots, and the record window and merging copy would keep the text, so a copy made in an
  // application the user blocked must leave nothing behind. A change read as it came was checked then.
  using Change = std::shared_ptr<const PasteboardPolling::Change>;
  const Change* change = notification.objectAs<Change>(PasteboardPolling::kChangeKey);
  if (change && (*change)->replaced) return;
  if (change ? (*change)->blocked : appMonitor_.copiedFromSecurityApp()) {
    logDebug("copiedFromSecurityApp");
    return;
  }

  const std::vector<PasteboardItem> items = change ? (*change)->items : Pasteboard::general()->items();
  // A paste writes a record back in forms its copy may not have had (a file as its path and URL, an image
  // as its file and its pixels), so it cannot be known by comparing it with the records: the write says
  // it is ours. The clipboard no longer holds the last copy, so copying that again counts again.
  if (isOwnWrite(items)) {
    log("capture: the program's own paste came back; not a copy");
    setLastCopyEntity(nullptr);
    return;
  }
  // A password manager's secret is blocked like a copy from a blocked application, whichever
  // application is in front; backends that read on demand stop at the hint.
  if (isMarkedSecret(items)) {
    logDebug("capture: the copy is marked secret by a password manager; nothing of it is kept");
    return;
  }
  const std::shared_ptr<CopyEntity> entity = CopyEntity::entityWithItems(items);
  if (entity->invalid()) {
    logDebug("invalid");
    return;
  }

  VLEngine& engine = VLEngine::shared();
  const auto found = engine.findContext(entity->string(), entity->jsonData(), kClipboard);
  const bool newArrival = !found;

  if (!isPasteChunk(found)) {
    if (CaptureHooks::windowAppear(kRecordWindowKey)) {
      VLNotificationCenter::postNotificationName(kAppendCopyEntity, nullptr, nullptr,
                                                 {{"copy_entity", entity->copy()}});
    }
    CaptureHooks::payAnimate();
  }

  if (mergingCopy_.merge(entity)) return;

  {
    MutexLock lock(mutex_);
    if (lastCopyEntity_ && lastCopyEntity_->isEnityEqualTo(*entity)) return;
  }
  logDebug("Not equal to last copy entity");

  std::shared_ptr<Vellisto_Chunk> chunk;
  if (found) chunk = engine.findContext(entity->string(), entity->jsonData(), kClipboard);
  if (chunk) {
    logDebugf("find copyEnntity sig=%s length=%zu", chunk->sig().c_str(), entity->string().size());
  } else {
    chunk = makeRecord(entity, items);
    if (!chunk) {
      logError("capture: the copy could not be stored");
      return;
    }
  }

  autoPick(entity, chunk);
  CaptureHooks::syncChunk(chunk);
  SortedTableHelper::notify(kClipboard, chunk, newArrival);
  if (auto tab = PinManager::shared().clipboardPinTab()) tab->setCachedFile(nullptr);

  setLastCopyEntity(entity);
  logDebug("self.lastCopyEntity = copyEntity");
}

std::shared_ptr<Vellisto_Chunk> ClipboardListener::makeRecord(const std::shared_ptr<CopyEntity>& entity,
                                                              const std::vector<PasteboardItem>& items) {
  Json json = entity->jsonData().is_object() ? entity->jsonData() : Json::object();
  if (entity->isImage() && json.contains("copy_date") && !copyImageFile(json)) {
    // The file went away (or cannot be read) since it was copied: keep the copy by its name.
    logWarningf("capture: cannot copy image file %s, stored as text",
                jsonString(json, "image_relative").c_str());
    for (const char* key : {"image", "image_relative", "copy_date", "custom_view"}) json.erase(key);
  }
  if (auto rtf = rtfText(items)) json["rich_text"] = std::move(*rtf);

  VLEngine& engine = VLEngine::shared();
  std::shared_ptr<Vellisto_Chunk> chunk;
  std::shared_ptr<Vellisto_Chunk> previous;
  const bool held = mergingCopy_.holds(*entity);
  {
    // The newest record before ours, taken in one step with the append, is what a double copy of this
    // text may join.
    RecursiveMutexLock lock(VLEngine::storeMutex());
    if (held) previous = engine.getLatest();
    chunk = engine.append(entity->string(), std::nullopt, json, kClipboard);
  }
  if (!chunk) return nullptr;
  // The json may hold the copied text again (as HTML or RTF): the record is named by its signature.
  logDebugf("append sig=%s length=%zu", chunk->sig().c_str(), chunk->context().size());
  if (held) mergingCopy_.heldCopyStored(*entity, chunk, previous);
  if (entity->imageDownload()) downloadImage(*entity->imageDownload(), chunk->sig());
  return chunk;
}

void ClipboardListener::downloadImage(const CopyEntity::ImageDownload& download, const std::string& sig) {
  // The record is stored already; the image joins it when it arrives, and the previews that show the
  // record look again.
  CopyEntity::downloadQueue()->async([download, sig] {
    const auto path = CopyEntity::downloadImage(download);
    if (!path) return;
    if (VLEngine::shared().addToJsonOfRecords(sig, {{"web_image", *path}, {"custom_view", "FileView"}}) == 0)
      return;
    // The previews hear it where they live.
    dispatch::Queue::main()->async([] { VLNotificationCenter::postNotificationName(kReloadImageData); });
  });
}

void ClipboardListener::autoPick(const std::shared_ptr<CopyEntity>& entity,
                                 const std::shared_ptr<Vellisto_Chunk>& chunk) {
  const Json extra = {{"app_name", appMonitor_.getActiveAppName()}};
  VLEngine& engine = VLEngine::shared();
  for (const std::string& pinTabId : PinManager::shared().autoPick(chunk, extra)) {
    auto record = engine.findContext(entity->string(), entity->jsonData(), pinTabId);
    if (!record) record = engine.append(chunk->context(), chunk->rich(), chunk->json(), pinTabId);
    SortedTableHelper::notify(pinTabId, record, false);
  }
}

}  // namespace vl
