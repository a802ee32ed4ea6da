#include "pins/PinTab.h"

#include <cctype>
#include <charconv>
#include <climits>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/DocChainLoader.h"
#include "autopick/AutoPickArchive.h"
#include "autopick/AutoPickForest.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/UserDefaults.h"

namespace vl {

namespace {

constexpr std::size_t kMaxFolderNameBytes = NAME_MAX;
constexpr const char* kTipKey = "pin.tab.default.tip";

using Lock = RecursiveMutexLock;

bool isUuid(std::string_view text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != '-') return false;
    } else if (!std::isxdigit(static_cast<unsigned char>(c))) {
      return false;
    }
  }
  return true;
}

bool isTip(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  if (!chunk) return false;
  const auto& json = chunk->json();
  return json && json->is_object() && json->contains("default_tip");
}

// The folder that the chain's docs really lie in: where a move queued earlier has put them.
std::string folderOfChain(const std::shared_ptr<Vellisto_BigDoc>& head) {
  return head ? files::deletingLastPathComponent(head->filePath()) : std::string();
}

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

// ---- folder names ----

std::optional<PinTab::FolderFields> PinTab::parseFolderName(std::string_view folderName) {
  std::vector<std::string_view> parts;
  for (std::size_t at = 0;;) {
    std::size_t found = folderName.find(kFieldSeparator, at);
    if (found == std::string_view::npos) {
      parts.push_back(folderName.substr(at));
      break;
    }
    parts.push_back(folderName.substr(at, found - at));
    at = found + kFieldSeparator.size();
  }
  if (parts.size() != 5 || !isUuid(parts[0])) return std::nullopt;
  FolderFields fields;
  const std::string_view position = parts[4];
  const char* end = position.data() + position.size();
  auto [ptr, ec] = std::from_chars(position.data(), end, fields.position);
  if (position.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  fields.pinTabId = std::string(parts[0]);
  fields.name = std::string(parts[1]);
  fields.txtColor = std::string(parts[2]);
  fields.bgColor = std::string(parts[3]);
  return fields;
}

std::string PinTab::folderName(const FolderFields& fields) {
  std::string out = fields.pinTabId;
  for (const std::string* part : {&fields.name, &fields.txtColor, &fields.bgColor}) {
    out.append(kFieldSeparator);
    out.append(*part);
  }
  out.append(kFieldSeparator);
  out.append(std::to_string(fields.position));
  return out;
}

std::string PinTab::folderName() const {
  Lock lock(VLEngine::storeMutex());
  return folderName(FolderFields{pinTabId_, name_, txtColor_, bgColor_, position_});
}

std::string PinTab::_getPathWithSlash(const std::string& path) {
  return endsWith(path, "/") ? path : path + "/";
}

bool PinTab::isValidColor(std::string_view color) {
  return color.find('/') == std::string_view::npos && color.find(kFieldSeparator) == std::string_view::npos &&
         color.find('\0') == std::string_view::npos;
}

bool PinTab::isValidName(std::string_view name) { return !name.empty() && isValidColor(name); }

bool PinTab::canNameFolder(const FolderFields& fields) {
  if (!isValidName(fields.name) || !isValidColor(fields.txtColor) || !isValidColor(fields.bgColor)) {
    return false;
  }
  const std::string folder = folderName(fields);
  if (folder.size() > kMaxFolderNameBytes) return false;
  std::optional<FolderFields> back = parseFolderName(folder);
  return back && back->name == fields.name && back->txtColor == fields.txtColor &&
         back->bgColor == fields.bgColor;
}

// ---- making tabs ----

std::shared_ptr<PinTab> PinTab::initWithId(const std::string& pinTabId, const std::string& name,
                                           const std::string& txtColor, const std::string& bgColor,
                                           std::int64_t position, const std::string& pinPath, bool loadDisk) {
  auto tab = std::make_shared<PinTab>();
  Lock lock(VLEngine::storeMutex());
  tab->pinTabId_ = pinTabId;
  tab->name_ = name;
  tab->txtColor_ = txtColor;
  tab->bgColor_ = bgColor;
  tab->position_ = position;
  if (tab->isClipboard()) return tab;
  tab->pinPath_ = pinPath;
  tab->path_ = _getPathWithSlash(pinPath) + tab->folderName();
  if (!files::isDirectory(tab->path_) && !files::createDirectories(tab->path_)) {
    logErrorf("pin: cannot create the folder %s", tab->path_.c_str());
  }
  if (loadDisk) tab->loadChain();
  if (tab->chain_->docCount == 0) tab->defaultDoc();
  return tab;
}

std::shared_ptr<PinTab> PinTab::empty(const std::string& name, const std::string& txtColor,
                                      const std::string& bgColor, std::int64_t position,
                                      const std::string& pinPath) {
  return initWithId(uuidString(), name, txtColor, bgColor, position, pinPath, false);
}

std::shared_ptr<PinTab> PinTab::fromFolder(const std::string& folderName, const std::string& pinPath) {
  std::optional<FolderFields> fields = parseFolderName(folderName);
  if (!fields) {
    logWarningf("pin: %s is not a pin tab folder; passed by", folderName.c_str());
    return nullptr;
  }
  if (fields->pinTabId == kClipboardPinTabId) {
    logWarningf("pin: %s names the clipboard tab; passed by", folderName.c_str());
    return nullptr;
  }
  auto tab = std::make_shared<PinTab>();
  Lock lock(VLEngine::storeMutex());
  tab->pinTabId_ = fields->pinTabId;
  tab->name_ = fields->name;
  tab->txtColor_ = fields->txtColor;
  tab->bgColor_ = fields->bgColor;
  tab->position_ = fields->position;
  tab->pinPath_ = pinPath;
  // The folder as it is named on disk, which may differ from the name the fields would write now
  // ("02" for position 2); the next reposition or rename gives it that name.
  tab->path_ = _getPathWithSlash(pinPath) + folderName;
  tab->loadChain();
  if (tab->chain_->docCount == 0) tab->defaultDoc();
  return tab;
}

std::shared_ptr<PinTab> PinTab::ofClipboard(std::shared_ptr<DocChain> chain) {
  auto tab = initWithId(kClipboardPinTabId, localized("clipboard"), "", kClipboardBgColor, 0, "", false);
  // Before anyone else sees the tab, so it never shows a chain of its own.
  if (chain) tab->chain_ = std::move(chain);
  return tab;
}

void PinTab::loadChain() { *chain_ = DocChainLoader::loadFolder(path_, shared_from_this()); }

void PinTab::defaultDoc() {
  Lock lock(VLEngine::storeMutex());
  std::shared_ptr<Vellisto_BigDoc> doc = DocChainLoader::freshDoc(path_, 0, shared_from_this());
  if (!doc) {
    logWarningf("pin: the tab %s has no doc", pinTabId_.c_str());
    return;
  }
  *chain_ = DocChain{doc, doc, 1};
  doc->appendChunk(Vellisto_Chunk::initDefaultChunk(localizedFormat(kTipKey, name_)));
}

void PinTab::deleteDefaultTipIfNeeded() {
  Lock lock(VLEngine::storeMutex());
  if (chain_->docCount != 1 || !chain_->head || chain_->head->chunkCount() != 1) return;
  std::shared_ptr<Vellisto_Chunk> tip = chain_->head->chunkAt(0);
  if (!isTip(tip)) return;
  // Through the doc's own delete, so its indexes forget the tip's slot before records move in.
  chain_->head->physicalDeleteChunkByDigest(tip->sig());
}

// ---- the view ----

void PinTab::active() {
  std::shared_ptr<PinTabDelegate> view = ptDelegate();
  if (view && view->didActive()) setActiveState(kActive);
}

void PinTab::inactive() {
  std::shared_ptr<PinTabDelegate> view = ptDelegate();
  if (view && view->didInactive()) setActiveState(kInactive);
}

void PinTab::moveForward() {
  if (auto view = ptDelegate()) view->moveForward();
}

void PinTab::moveBackward() {
  if (auto view = ptDelegate()) view->moveBackward();
}

// ---- changes of the folder ----

bool PinTab::rename(const std::string& name, const std::string& txtColor, const std::string& bgColor) {
  if (isClipboard()) return false;
  {
    Lock lock(VLEngine::storeMutex());
    if (!canNameFolder(FolderFields{pinTabId_, name, txtColor, bgColor, position_})) {
      logWarningf("pin: \"%s\" cannot name the tab %s; not renamed", name.c_str(), pinTabId_.c_str());
      return false;
    }
    if (chain_->docCount == 1 && chain_->head && chain_->head->chunkCount() == 1 && name != name_) {
      std::shared_ptr<Vellisto_Chunk> tip = chain_->head->chunkAt(0);
      const std::string text = localizedFormat(kTipKey, name);
      if (isTip(tip) && text != tip->context()) {
        VLEngine& engine = VLEngine::shared();
        engine.append(text, std::nullopt, tip->json(), tip->alias(), pinTabId_);
        engine.delChunkByContext(tip->context(), tip->json(), pinTabId_);
      }
    }
  }
  if (auto view = ptDelegate()) {
    view->setName(name);
    view->setBgColor(bgColor);
  }
  Lock lock(VLEngine::storeMutex());
  name_ = name;
  txtColor_ = txtColor;
  bgColor_ = bgColor;
  path_ = _getPathWithSlash(pinPath_) + folderName();
  moveFolderToPath();
  return true;
}

void PinTab::reposition(std::int64_t position) {
  if (isClipboard()) return;
  Lock lock(VLEngine::storeMutex());
  position_ = position;
  path_ = _getPathWithSlash(pinPath_) + folderName();
  moveFolderToPath();
}

void PinTab::moveFolderToPath() {
  std::shared_ptr<Vellisto_BigDoc> head = chain_->head;
  const std::string target = withoutTrailingSlash(path_);
  // On the persistence queue: the writes queued before go to the old folder, every later write finds
  // its doc's path already in the new one.
  Vellisto_BigDoc::persistQueue()->async([head, target] {
    const std::string current = withoutTrailingSlash(folderOfChain(head));
    if (current.empty() || current == target) return;
    if (files::exists(target)) {
      logWarningf("pin: %s already exists; the tab stays in %s", target.c_str(), current.c_str());
      return;
    }
    if (!Vellisto_BigDoc::moveChainToFolder(head, target)) {
      logErrorf("pin: cannot move %s to %s; the tab stays where it is", current.c_str(), target.c_str());
    }
  });
}

void PinTab::remove() {
  if (isClipboard()) return;
  if (auto view = ptDelegate()) view->remove();
  Lock lock(VLEngine::storeMutex());
  std::shared_ptr<Vellisto_BigDoc> head = chain_->head;
  const std::string pinFolder = withoutTrailingSlash(pinPath_);
  const std::string path = withoutTrailingSlash(path_);
  const std::string id = pinTabId_;
  Vellisto_BigDoc::persistQueue()->async([head, pinFolder, path, id] {
    // Its docs write nothing more, or the next one would make the folder again.
    for (std::shared_ptr<Vellisto_BigDoc> doc = head; doc; doc = doc->next()) doc->discard();
    for (const std::string& folder : {withoutTrailingSlash(folderOfChain(head)), path}) {
      // Only this tab's own folder, directly inside the pin folder.
      if (folder.empty() || files::deletingLastPathComponent(folder) != pinFolder ||
          !startsWith(files::lastPathComponent(folder), id)) {
        continue;
      }
      if (files::exists(folder) && !files::removeRecursive(folder)) {
        logErrorf("pin: cannot remove %s", folder.c_str());
      }
    }
  });
}

std::string PinTab::getDiskPath() const {
  Lock lock(VLEngine::storeMutex());
  return path_;
}

// ---- rules ----

std::shared_ptr<AutoPickForest> PinTab::autoPickForest() {
  Lock lock(VLEngine::storeMutex());
  if (!forestLoaded_ && !isClipboard()) autoPickForest_ = AutoPickArchive::load(pinTabId_);
  forestLoaded_ = true;
  return autoPickForest_;
}

void PinTab::setAutoPickForest(std::shared_ptr<AutoPickForest> forest) {
  {
    Lock lock(VLEngine::storeMutex());
    autoPickForest_ = forest;
    forestLoaded_ = true;
  }
  if (forest) {
    if (!AutoPickArchive::store(*forest, pinTabId_))
      logErrorf("pin tab: the auto pick rules of %s are not saved", pinTabId_.c_str());
  } else {
    if (!UserDefaults::standard().remove(AutoPickArchive::defaultsKey(pinTabId_)))
      logErrorf("pin tab: the auto pick rules of %s are not removed", pinTabId_.c_str());
  }
}

// ---- fields ----

std::string PinTab::pinPath() const {
  Lock lock(VLEngine::storeMutex());
  return pinPath_;
}

std::string PinTab::path() const { return getDiskPath(); }

std::int32_t PinTab::activeState() const {
  Lock lock(VLEngine::storeMutex());
  return activeState_;
}

void PinTab::setActiveState(std::int32_t state) {
  Lock lock(VLEngine::storeMutex());
  activeState_ = state;
}

std::string PinTab::name() const {
  Lock lock(VLEngine::storeMutex());
  return name_;
}

std::string PinTab::txtColor() const {
  Lock lock(VLEngine::storeMutex());
  return txtColor_;
}

std::string PinTab::bgColor() const {
  Lock lock(VLEngine::storeMutex());
  return bgColor_;
}

std::int64_t PinTab::position() const {
  Lock lock(VLEngine::storeMutex());
  return position_;
}

void PinTab::setPosition(std::int64_t position) {
  Lock lock(VLEngine::storeMutex());
  position_ = position;
}

std::shared_ptr<PinTabDelegate> PinTab::ptDelegate() const {
  Lock lock(VLEngine::storeMutex());
  return ptDelegate_.lock();
}

void PinTab::setPtDelegate(const std::shared_ptr<PinTabDelegate>& delegate) {
  Lock lock(VLEngine::storeMutex());
  ptDelegate_ = delegate;
}

}  // namespace vl
