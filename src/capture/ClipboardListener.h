#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/CopyEntity.h"
#include "core/VLConstants.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/Pasteboard.h"

namespace vl {

class AppMonitor;
class MergingCopy;
class Vellisto_Chunk;

// Turns each change of the pasteboard into a record of the clipboard history. It hears
// "kPasteboardDidChange" on the capture queue and handles one copy at a time there: the copy entity,
// the record window and the status item's feedback, merging copy, duplicates, the security list, the
// record itself, auto-pick into pin tabs, device sync and the recent lists.
class ClipboardListener {
 public:
  static constexpr const char* kAppendCopyEntity = "kNotificationRecordTableShouldAppendCopyEntity";
  static constexpr const char* kCheckDeleteEntity = "VELLISTO_MAIN_checkDeleteEntity";
  // Posted once a copied URL's image arrived and joined its record.
  static constexpr const char* kReloadImageData = "VELLISTO_MAIN_reloadImageData";

  // Listens with the shared merging copy and front-application monitor.
  static ClipboardListener& shared();

  // A listener of its own (tests); the collaborators must outlive it.
  ClipboardListener(MergingCopy& mergingCopy, AppMonitor& appMonitor);
  // Stops listening and waits for a copy being handled.
  ~ClipboardListener();
  ClipboardListener(const ClipboardListener&) = delete;
  ClipboardListener& operator=(const ClipboardListener&) = delete;

  void pasteboardDidChange(const Notification& notification);
  // A record is being deleted; when it is the last copy's text, the same copy is captured again.
  void checkDeleteEntity(const Notification& notification);

  static std::string getFileUrl(const std::string& path);
  // "image/gif", "image/tiff", "image/png" or "image/jpeg" by the first byte; nothing otherwise.
  static std::optional<std::string> contentTypeForImageData(std::string_view data);
  // Text recognition of images is not offered.
  void ocr() {}

  // Set by the paste road before it writes several records: the next change is its own.
  bool multiplePaste() const { return multiplePaste_.load(); }
  void setMultiplePaste(bool flag) { multiplePaste_.store(flag); }
  // The record the program itself last put on the pasteboard.
  std::shared_ptr<Vellisto_Chunk> pasteChunk() const;
  void setPasteChunk(std::shared_ptr<Vellisto_Chunk> chunk);
  std::shared_ptr<CopyEntity> lastCopyEntity() const;
  void setLastCopyEntity(std::shared_ptr<CopyEntity> entity);

 private:
  void handleCopy(const Notification& notification);
  bool isPasteChunk(const std::shared_ptr<Vellisto_Chunk>& found) const;
  std::shared_ptr<Vellisto_Chunk> makeRecord(const std::shared_ptr<CopyEntity>& entity,
                                             const std::vector<PasteboardItem>& items);
  void autoPick(const std::shared_ptr<CopyEntity>& entity, const std::shared_ptr<Vellisto_Chunk>& chunk);
  static void downloadImage(const CopyEntity::ImageDownload& download, const std::string& sig);

  MergingCopy& mergingCopy_;
  AppMonitor& appMonitor_;
  std::atomic<bool> multiplePaste_{false};
  mutable Mutex mutex_;
  std::shared_ptr<Vellisto_Chunk> pasteChunk_ VL_GUARDED_BY(mutex_);
  std::shared_ptr<CopyEntity> lastCopyEntity_ VL_GUARDED_BY(mutex_);
};

}  // namespace vl
