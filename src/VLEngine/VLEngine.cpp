#include "VLEngine/VLEngine.h"

#include "VLEngine/VLEngineSnippetsStore.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/bigdoc/Vellisto_Writer.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageManager.h"
#include "VLEngine/image/RecordFiles.h"
#include "core/files/VLFileInfo.h"
#include "core/files/VLFileManager.h"
#include "core/notify/VLAppNotifcationCenter.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

using Lock = RecursiveMutexLock;

constexpr int kFileIconPixels = 1024;

// The clipboard history's docs report here. The clipboard tab refers to the store's chain, so moving
// its tail once is enough; a record that leaves clears the clipboard tab's caches.
class ClipboardChainOwner : public Vellisto_DocChainOwner {
 public:
  void docDidRollOver(const std::shared_ptr<Vellisto_BigDoc>&,
                      const std::shared_ptr<Vellisto_BigDoc>& next) override {
    VLEngine& engine = VLEngine::shared();
    Lock lock(VLEngine::storeMutex());
    engine.setTailDoc(next);
    engine.setDocCount(engine.docCount() + 1);
    VL_DCHECK(engine.clipboardChain()->wellFormed());
  }

  void chunkDidLeave(const std::shared_ptr<Vellisto_Chunk>& chunk) override {
    if (auto tab = VLEngine::shared().tabDirectory()->clipboardTab()) tab->chunkDidLeave(chunk);
  }
};

// The store on its own, before start-up installs the list of tabs: one clipboard tab over the store's
// chain, always active.
class ClipboardOnlyDirectory final : public VLTabDirectory {
 public:
  explicit ClipboardOnlyDirectory(std::shared_ptr<DocChain> chain) : chain_(std::move(chain)) {
    resetForTesting();
  }

  std::shared_ptr<VLStoreTab> clipboardTab() const override {
    Lock lock(VLEngine::storeMutex());
    return tab_;
  }
  std::shared_ptr<VLStoreTab> activeTab() const override { return clipboardTab(); }
  std::shared_ptr<VLStoreTab> tabOfId(const std::string& pinTabId) const override {
    return pinTabId == kClipboardPinTabId ? clipboardTab() : nullptr;
  }
  std::vector<std::shared_ptr<VLStoreTab>> allTabs() const override { return {clipboardTab()}; }
  void resetForTesting() override {
    Lock lock(VLEngine::storeMutex());
    tab_ = std::make_shared<VLStoreTab>(kClipboardPinTabId, chain_);
  }

 private:
  const std::shared_ptr<DocChain> chain_;
  std::shared_ptr<VLStoreTab> tab_;
};

}  // namespace

VLEngine::VLEngine()
    : LockedDocChain(nullptr),
      clipboardOwner_(std::make_shared<ClipboardChainOwner>()),
      ownDirectory_(std::make_shared<ClipboardOnlyDirectory>(chain_)),
      directory_(ownDirectory_) {
  FreedMemory::steady();
}

VLEngine& VLEngine::shared() {
  static VLEngine engine;
  return engine;
}

RecursiveMutex& VLEngine::storeMutex() {
  static RecursiveMutex mutex;
  return mutex;
}

// ---- folders and start-up ----

void VLEngine::setFolders(const std::string& home) {
  const std::string root = files::joinPath(home, ".vellisto");
  setStorePath(files::joinPath(root, "data/"));
  setFilePath(files::joinPath(root, "file/"));
  setAudioPath(files::joinPath(root, "audio/"));
  setWebFilePath(files::joinPath(root, "web/"));
  setForeverPath(files::joinPath(root, "forever/"));
  setLogPath(files::joinPath(root, "log/"));
  setPinPath(files::joinPath(root, "pin/"));
}

void VLEngine::setTabDirectory(std::shared_ptr<VLTabDirectory> directory) {
  Lock lock(storeMutex());
  directory_ = directory ? std::move(directory) : ownDirectory_;
}

std::shared_ptr<VLTabDirectory> VLEngine::tabDirectory() const {
  Lock lock(storeMutex());
  return directory_;
}

void VLEngine::installServices() {
  Vellisto_Writer::shared().setFolderSource([] {
    std::vector<std::string> folders;
    Lock lock(storeMutex());
    if (std::string store = VLEngine::shared().storePath(); !store.empty()) folders.push_back(store);
    for (const auto& tab : VLEngine::shared().tabDirectory()->allTabs()) {
      if (!tab->isClipboard() && !tab->getDiskPath().empty()) folders.push_back(tab->getDiskPath());
    }
    return folders;
  });
  VLFileManager::shared().setFilePathProvider([]() -> std::optional<std::string> {
    std::string path = VLEngine::shared().filePath();
    if (path.empty()) return std::nullopt;
    return path;
  });
  VLAppNotifcationCenter::shared().setSnippetsStore(std::make_shared<VLEngineSnippetsStore>());
  // A file's icon is its picture, decoded no larger than a preview shows it.
  VLFileInfo::setImageFileLoader([](const std::string& path) {
    return ImageCodec::decodeFileFitting(path, kFileIconPixels, kFileIconPixels, path);
  });
}

void VLEngine::load() {
  Lock lock(storeMutex());
  if (storePath_.empty()) {
    logWarning("store: no data folder is set; nothing loaded");
    return;
  }
  if (!files::isDirectory(storePath_) && !files::createDirectories(storePath_)) {
    logErrorf("store: cannot create the data folder %s", storePath_.c_str());
  }
  DocChain chain = DocChainLoader::loadFolder(storePath_, clipboardOwner_);
  if (chain.docCount == 0) {
    std::shared_ptr<Vellisto_BigDoc> doc = DocChainLoader::freshDoc(storePath_, 0, clipboardOwner_);
    chain = DocChain{doc, doc, doc ? 1 : 0};
  }
  *chain_ = chain;
}

void VLEngine::resetForTesting() {
  Vellisto_BigDoc::waitForPendingWrites();
  RecordFiles::waitForPendingRemovals();
  VLEngine& engine = shared();
  {
    Lock lock(storeMutex());
    engine.storePath_.clear();
    engine.logPath_.clear();
    engine.filePath_.clear();
    engine.audioPath_.clear();
    engine.webFilePath_.clear();
    engine.foreverPath_.clear();
    engine.pinPath_.clear();
    *engine.chain_ = DocChain{};
    engine.channel_.reset();
    engine.delegate_.reset();
    engine.directory_->resetForTesting();
  }
  Vellisto_BigDoc::setForeverPath("");
  ImageManager::shared().resetForTesting();
}

// ---- helpers ----

std::string VLEngine::toBeSignedString(const std::string& text, const std::optional<Json>& json) {
  return Vellisto_Chunk::toBeSignedString(text, json);
}

std::vector<std::string> VLEngine::filterFileNames(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (const std::string& name : names) {
    if (startsWith(name, "BigDoc") && !endsWith(name, ".tmp")) out.push_back(name);
  }
  return out;
}

std::shared_ptr<VLStoreTab> VLEngine::tabOf(const std::string& pinTabId) const {
  return tabDirectory()->tabOfId(pinTabId);
}

std::optional<DocChain> VLEngine::chainOfTab(const std::string& pinTabId) {
  Lock lock(storeMutex());
  return chainOfTabLocked(pinTabId);
}

std::optional<DocChain> VLEngine::chainOfTabLocked(const std::string& pinTabId) {
  DocChain chain;
  if (pinTabId == kClipboardPinTabId) {
    chain = *chain_;
  } else if (std::shared_ptr<VLStoreTab> tab = tabOf(pinTabId)) {
    chain = tab->chain();
  } else {
    logWarningf("store: no tab %s", pinTabId.c_str());
    return std::nullopt;
  }
  if (!chain.head || !chain.tail) {
    logWarningf("store: the tab %s has no docs", pinTabId.c_str());
    return std::nullopt;
  }
  return chain;
}

// ---- fields ----

std::string VLEngine::storePath() const {
  Lock lock(storeMutex());
  return storePath_;
}
void VLEngine::setStorePath(std::string path) {
  Lock lock(storeMutex());
  storePath_ = std::move(path);
}
std::string VLEngine::logPath() const {
  Lock lock(storeMutex());
  return logPath_;
}
void VLEngine::setLogPath(std::string path) {
  Lock lock(storeMutex());
  logPath_ = std::move(path);
}
std::string VLEngine::filePath() const {
  Lock lock(storeMutex());
  return filePath_;
}
void VLEngine::setFilePath(std::string path) {
  Lock lock(storeMutex());
  filePath_ = std::move(path);
}
std::string VLEngine::audioPath() const {
  Lock lock(storeMutex());
  return audioPath_;
}
void VLEngine::setAudioPath(std::string path) {
  Lock lock(storeMutex());
  audioPath_ = std::move(path);
}
std::string VLEngine::webFilePath() const {
  Lock lock(storeMutex());
  return webFilePath_;
}
void VLEngine::setWebFilePath(std::string path) {
  Lock lock(storeMutex());
  webFilePath_ = std::move(path);
}
std::string VLEngine::foreverPath() const {
  Lock lock(storeMutex());
  return foreverPath_;
}
void VLEngine::setForeverPath(std::string path) {
  Vellisto_BigDoc::setForeverPath(path);
  Lock lock(storeMutex());
  foreverPath_ = std::move(path);
}
std::string VLEngine::pinPath() const {
  Lock lock(storeMutex());
  return pinPath_;
}
void VLEngine::setPinPath(std::string path) {
  Lock lock(storeMutex());
  pinPath_ = std::move(path);
}
std::shared_ptr<Vellisto_DisplayChannelDelegate> VLEngine::channel() const {
  Lock lock(storeMutex());
  return channel_.lock();
}
void VLEngine::setChannel(const std::shared_ptr<Vellisto_DisplayChannelDelegate>& channel) {
  Lock lock(storeMutex());
  channel_ = channel;
}
std::shared_ptr<VLEngineDelegate> VLEngine::delegate() const {
  Lock lock(storeMutex());
  return delegate_.lock();
}
void VLEngine::setDelegate(const std::shared_ptr<VLEngineDelegate>& delegate) {
  Lock lock(storeMutex());
  delegate_ = delegate;
}

}  // namespace vl
