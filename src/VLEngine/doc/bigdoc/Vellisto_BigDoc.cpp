#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "VLEngine/doc/bigdoc/DocFileReplacer.h"
#include "VLEngine/doc/bigdoc/DocTextForm.h"
#include "VLEngine/doc/bigdoc/Vellisto_DefaultCodec.h"
#include "VLEngine/doc/gzip/GzipUtility.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

constexpr std::string_view kDocPrefix = "BigDoc_";
// How many numbers a roll-over tries past files that already hold data.
constexpr int kRollOverAttempts = 1000;

struct ClassState {
  std::mutex mutex;
  std::string foreverPath;
  std::shared_ptr<dispatch::Queue> removalQueue;
};

ClassState& classState() {
  static ClassState state;
  return state;
}

// The trailing bytes of a cut-off doc text that begin the record separator.
std::string_view dropPartialSeparator(std::string_view text) {
  std::size_t caret = text.rfind('^');
  if (caret == std::string_view::npos) return text;
  std::string_view tail = text.substr(caret);
  if (tail.size() < doctext::kChunkSeparator.size() &&
      doctext::kChunkSeparator.substr(0, tail.size()) == tail) {
    return text.substr(0, caret);
  }
  return text;
}

}  // namespace

namespace {
std::atomic<std::int32_t> gMaxChunkSize{Vellisto_BigDoc::kMaxChunkSize};
}  // namespace

Vellisto_BigDoc::Vellisto_BigDoc()
    : maxChunkSize_(gMaxChunkSize.load()), codec_(std::make_shared<Vellisto_DefaultCodec>()) {}

Vellisto_BigDoc::~Vellisto_BigDoc() {
  // A doc that goes while its chain's index lives on (a chain cut short) takes its records out.
  MutexLock lock(lock_);
  leaveIndexLocked();
}

void Vellisto_BigDoc::setMaxChunkSizeForTesting(std::int32_t size) {
  gMaxChunkSize.store(size > 0 ? size : kMaxChunkSize);
}

// ---- names ----

std::string Vellisto_BigDoc::docFileName(std::int64_t docId) {
  return std::string(kDocPrefix) + std::to_string(docId);
}

std::optional<std::int64_t> Vellisto_BigDoc::docIdOfFileName(std::string_view name) {
  if (!startsWith(name, kDocPrefix)) return std::nullopt;
  std::string_view digits = name.substr(kDocPrefix.size());
  if (digits.empty() || digits.size() > 18) return std::nullopt;
  std::int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string Vellisto_BigDoc::docName() const { return docFileName(docId()); }

std::string Vellisto_BigDoc::tmpDocName(std::int64_t n) const { return docFileName(docId() + n) + ".tmp"; }

// ---- creation and loading ----

std::shared_ptr<Vellisto_BigDoc> Vellisto_BigDoc::emptyDoc(std::int64_t docId, const std::string& storePath) {
  std::string path = files::joinPath(storePath, docFileName(docId));
  if (auto size = files::fileSize(path); size && *size > 0) {
    logWarningf("doc: %s already holds a doc; it is not replaced", path.c_str());
    return nullptr;
  }
  auto doc = std::make_shared<Vellisto_BigDoc>();
  bool made = false;
  {
    MutexLock lock(doc->lock_);  // no other thread knows the doc yet; the analysis cannot tell
    doc->docId_ = docId;
    doc->filePath_ = std::move(path);
    // Made at once: the chain is whole on disk, and the doc's journal has a file to start from.
    made = doc->journal_.fileMade = DocFileReplacer::replace(doc->filePath_, "");
  }
  if (!made) doc->persist();
  return doc;
}

bool Vellisto_BigDoc::load(const std::string& path, const std::vector<std::string>* folderNames) {
  const std::string name = files::lastPathComponent(path);
  std::optional<std::int64_t> id = docIdOfFileName(name);
  if (!id) {
    logWarningf("doc: %s is not a doc file; not loaded", path.c_str());
    return false;
  }
  FreedMemory::keepForLoads();
  MutexLock lock(lock_);
  leaveIndexLocked();
  chunks_.clear();
  filePath_ = path;
  docId_ = *id;
  damaged_ = false;

  // The gzip of the most text a doc holds is hardly longer than that text: a longer file (a sparse one
  // of gigabytes) is read only so far, and what lies past it is damage.
  constexpr std::uint64_t kMaxFileBytes = GzipUtility::kMaxInflatedBytes + (1u << 20);
  std::optional<std::string> data = files::readFileHead(path, kMaxFileBytes);
  if (!data) {
    logErrorf("doc: cannot read %s", path.c_str());
    damaged_ = true;
    return false;
  }
  if (data->size() == kMaxFileBytes && files::fileSize(path).value_or(0) > kMaxFileBytes) {
    logWarningf("doc: %s is %llu bytes, past the %llu a doc file holds; only those are read", path.c_str(),
                static_cast<unsigned long long>(files::fileSize(path).value_or(0)),
                static_cast<unsigned long long>(kMaxFileBytes));
    damaged_ = true;
  }
  Vellisto_CodecDelegate::Decoded decoded;
  if (!data->empty()) decoded = codec_->decodeReadable(*data);
  if (!decoded.complete) {
    logWarningf("doc: %s is damaged (%s); loading the %zu bytes of text before the damage", path.c_str(),
                decoded.error.c_str(), decoded.text.size());
    damaged_ = true;
  }
  if (decoded.trailingBytes > 0) {
    // Left by an older in-place write or by damage; either way only the file holds them.
    logWarningf("doc: %s holds %zu bytes after its text; they are kept aside before the next write",
                path.c_str(), decoded.trailingBytes);
    damaged_ = true;
  }

  const std::string_view text = decoded.text;
  const std::weak_ptr<Vellisto_BigDoc> self = weak_from_this();
  chunks_.reserve(static_cast<std::size_t>(maxChunkSize_));
  std::size_t unreadable = 0;
  std::size_t beyondBounds = 0;
  for (std::size_t at = 0; at != std::string_view::npos;) {
    doctext::Piece piece = doctext::nextPiece(text, at, doctext::kChunkSeparator);
    at = piece.next;
    std::shared_ptr<Vellisto_Chunk> chunk;
    Vellisto_Chunk::ReadIssue issue = Vellisto_Chunk::ReadIssue::None;
    if (at == std::string_view::npos && !decoded.complete) {
      // The last piece of a cut-off text counts only when it is whole, up to a json that parses.
      chunk = Vellisto_Chunk::initWithChunkStr(dropPartialSeparator(piece.text), &issue);
      if (chunk && !chunk->json()) chunk = nullptr;
    } else {
      chunk = Vellisto_Chunk::initWithChunkStr(piece.text, &issue);
    }
    if (chunk && issue == Vellisto_Chunk::ReadIssue::JsonBeyondBounds) ++beyondBounds;
    if (chunk) {
      chunk->setDocRef(self);
    } else if (!piece.text.empty()) {
      ++unreadable;
    }
    chunks_.push_back(std::move(chunk));
  }
  if (beyondBounds > 0) {
    // The file is the only place that still holds those jsons: it is kept aside before the next write.
    logWarningf("doc: %s holds %zu records whose json is past the bounds; loaded without it", path.c_str(),
                beyondBounds);
    damaged_ = true;
  }
  if (unreadable > 0) {
    logWarningf("doc: %s holds %zu unreadable records; their slots stay empty", path.c_str(), unreadable);
    damaged_ = true;
  }
  const std::string folder = files::deletingLastPathComponent(path);
  if (folderNames) {
    replayJournals(folder, *data, *folderNames);
  } else {
    replayJournals(folder, *data, files::listDirectory(folder).names);
  }
  // Only the records that outlived the replay join the chain's index.
  resetHitsLocked();
  return true;
}

void Vellisto_BigDoc::indexSlotLocked(const std::shared_ptr<Vellisto_Chunk>& chunk, std::size_t) {
  if (index_) index_->add(chunk);
}

void Vellisto_BigDoc::leaveIndexLocked() {
  if (!index_) return;
  for (const auto& chunk : chunks_) {
    if (chunk) index_->remove(*chunk);
  }
}

void Vellisto_BigDoc::joinIndex(const std::shared_ptr<SignatureIndex>& index) {
  MutexLock lock(lock_);
  if (index_ == index) return;
  leaveIndexLocked();
  index_ = index;
  resetHitsLocked();
}

std::shared_ptr<const Vellisto_Chunk::Fields> Vellisto_BigDoc::sharedFields(
    std::size_t kind, const std::function<std::shared_ptr<const Vellisto_Chunk::Fields>()>& make) {
  MutexLock lock(sharedFieldsLock_);
  std::shared_ptr<const Vellisto_Chunk::Fields>& shared = sharedFields_.at(kind);
  if (!shared) shared = make();
  return shared;
}

std::shared_ptr<SignatureIndex> Vellisto_BigDoc::signatureIndex() const {
  MutexLock lock(lock_);
  return index_;
}

std::shared_ptr<SignatureIndex> Vellisto_BigDoc::chainIndex(const std::shared_ptr<Vellisto_BigDoc>& head) {
  if (!head) return nullptr;
  if (std::shared_ptr<SignatureIndex> index = head->signatureIndex()) return index;
  // One chain is indexed at a time, so two first look-ups never make two indexes of it.
  static std::mutex making;
  std::lock_guard<std::mutex> lock(making);
  if (std::shared_ptr<SignatureIndex> index = head->signatureIndex()) return index;
  auto index = std::make_shared<SignatureIndex>();
  // Each doc joins under its own lock: a record appended meanwhile is in the doc when it joins, or
  // finds the index there when it is appended.
  for (std::shared_ptr<Vellisto_BigDoc> doc = head; doc; doc = doc->next()) doc->joinIndex(index);
  return index;
}

// ---- text and writing ----

std::string Vellisto_BigDoc::stringValue() const {
  MutexLock lock(lock_);
  return stringValueLocked();
}

std::string Vellisto_BigDoc::stringValueLocked() const {
  std::string out;
  const std::size_t count = chunks_.size();
  for (std::size_t i = 0; i < count; ++i) {
    const auto& chunk = chunks_[i];
    if (!chunk) continue;
    if (std::optional<std::string> form = chunk->stringValue()) out.append(*form);
    if (i + 1 < count) out.append(doctext::kChunkSeparator);
  }
  return out;
}

std::shared_ptr<dispatch::Queue> Vellisto_BigDoc::persistQueue() {
  static const std::shared_ptr<dispatch::Queue> queue = dispatch::Queue::serial(kPersistQueueLabel);
  return queue;
}

// ---- appending and roll-over ----

void Vellisto_BigDoc::appendChunk(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  if (!chunk) return;
  std::shared_ptr<Vellisto_BigDoc> rolledInto;
  std::shared_ptr<Vellisto_DocChainOwner> owner;
  std::shared_ptr<DocJournal> toSync;
  {
    MutexLock lock(lock_);
    toSync = journalLocked(DocJournal::Type::Append, 0, chunk->stringValue().value_or(""));
    chunks_.push_back(chunk);
    chunk->setDocRef(weak_from_this());
    indexSlotLocked(chunk, chunks_.size() - 1);
    // Placeholders count: the file holds their slots too. A doc that already has a successor took
    // more records than it should and keeps them rather than starting a second chain.
    if (chunks_.size() >= static_cast<std::size_t>(maxChunkSize_) && !next_) {
      rolledInto = rollOverLocked();
      owner = chainOwner_.lock();
    }
  }
  finishChange(toSync);
  if (rolledInto && owner) owner->docDidRollOver(shared_from_this(), rolledInto);
}

std::shared_ptr<Vellisto_BigDoc> Vellisto_BigDoc::rollOverLocked() {
  std::shared_ptr<Vellisto_BigDoc> self = weak_from_this().lock();
  if (!self) return nullptr;
  std::shared_ptr<Vellisto_BigDoc> doc;
  if (filePath_.empty()) {
    // A doc kept in memory only goes on into another such doc, never into a file named relative to
    // whatever folder the process runs in.
    doc = std::make_shared<Vellisto_BigDoc>();
    MutexLock nextLock(doc->lock_);
    doc->docId_ = docId_ + 1;
  } else {
    const std::string folder = files::deletingLastPathComponent(filePath_);
    for (int attempt = 1; attempt <= kRollOverAttempts && !doc; ++attempt)
      doc = emptyDoc(docId_ + attempt, folder);
  }
  if (!doc) {
    logWarningf("doc: no free doc number after %s; %s keeps growing", filePath_.c_str(), filePath_.c_str());
    return nullptr;
  }
  {
    // The next doc's lock under this one's: chain order.
    MutexLock nextLock(doc->lock_);
    doc->prev_ = self;
    doc->chainOwner_ = chainOwner_;
    doc->index_ = index_;
  }
  next_ = doc;
  return doc;
}

// ---- finding ----

std::shared_ptr<Vellisto_Chunk> Vellisto_BigDoc::indexOf(const std::string& signedString) const {
  return indexOfDigest(Vellisto_Chunk::md5HexDigest(signedString));
}

std::shared_ptr<Vellisto_Chunk> Vellisto_BigDoc::indexOfDigest(const std::string& sig) const {
  MutexLock lock(lock_);
  std::optional<std::size_t> slot = slotOfDigestLocked(sig);
  return slot ? chunks_[*slot] : nullptr;
}

std::optional<std::size_t> Vellisto_BigDoc::slotOfDigestLocked(const std::string& sig) const {
  const std::optional<RecordSignature> wanted = RecordSignature::ofHex(sig);
  for (std::size_t i = chunks_.size(); i-- > 0;) {
    const auto& chunk = chunks_[i];
    if (!chunk) continue;
    // The bytes rule out all but the one; the text settles a signature of another form.
    if (wanted ? chunk->signatureBytes() == *wanted && chunk->sig() == sig : chunk->sig() == sig) return i;
  }
  return std::nullopt;
}

std::vector<std::shared_ptr<Vellisto_Chunk>> Vellisto_BigDoc::getHasAliasChunks() const {
  MutexLock lock(lock_);
  std::vector<std::shared_ptr<Vellisto_Chunk>> out;
  for (const auto& chunk : chunks_) {
    if (chunk && chunk->hasAlias()) out.push_back(chunk);
  }
  return out;
}

void Vellisto_BigDoc::resetHits() {
  MutexLock lock(lock_);
  resetHitsLocked();
}

void Vellisto_BigDoc::resetHitsLocked() {
  for (std::size_t i = 0; i < chunks_.size(); ++i) {
    if (chunks_[i]) indexSlotLocked(chunks_[i], i);
  }
}

void Vellisto_BigDoc::chunkAliasUpdated(const std::shared_ptr<Vellisto_Chunk>&) {
  // The snippets are found by the records' own alias (getHasAliasChunks): nothing to keep apart.
}

// ---- changing records ----

std::optional<std::size_t> Vellisto_BigDoc::slotOfLocked(const Vellisto_Chunk& chunk) const {
  auto found = std::find_if(chunks_.begin(), chunks_.end(), [&](const auto& c) { return c.get() == &chunk; });
  if (found == chunks_.end()) return std::nullopt;
  return static_cast<std::size_t>(found - chunks_.begin());
}

bool Vellisto_BigDoc::changeChunk(Vellisto_Chunk& chunk, const std::function<bool()>& change) {
  std::shared_ptr<DocJournal> toSync;
  {
    MutexLock lock(lock_);
    if (!change()) return false;
    if (std::optional<std::size_t> slot = slotOfLocked(chunk)) {
      toSync = journalLocked(DocJournal::Type::Set, *slot, chunk.stringValue().value_or(""));
    } else {
      logWarningf("doc: record %s is not in %s; its change is not written there", chunk.sig().c_str(),
                  filePath_.c_str());
      return true;
    }
  }
  finishChange(toSync);
  return true;
}

bool Vellisto_BigDoc::validIndexLocked(std::size_t index, const char* operation) const {
  if (index < chunks_.size() && chunks_[index]) return true;
  logWarningf("doc: %s of slot %zu of %s, which holds no record", operation, index, filePath_.c_str());
  return false;
}

void Vellisto_BigDoc::logicalDeleteChunk(std::size_t index) {
  std::shared_ptr<DocJournal> toSync;
  {
    MutexLock lock(lock_);
    if (!validIndexLocked(index, "logical delete")) return;
    // Written as the empty text, which reads back as a placeholder.
    toSync = journalLocked(DocJournal::Type::Set, index, std::string());
    chunks_[index]->setFlag(Vellisto_Chunk::kFlagDeleted);
  }
  finishChange(toSync);
}

void Vellisto_BigDoc::refreshChunk(std::size_t index) {
  std::shared_ptr<DocJournal> toSync;
  {
    MutexLock lock(lock_);
    if (!validIndexLocked(index, "refresh")) return;
    chunks_[index]->setTimestamp(Vellisto_Chunk::nowTimestamp());
    toSync = journalLocked(DocJournal::Type::Set, index, chunks_[index]->stringValue().value_or(""));
  }
  finishChange(toSync);
}

void Vellisto_BigDoc::updateAlias(std::size_t index, std::string alias) {
  std::shared_ptr<DocJournal> toSync;
  {
    MutexLock lock(lock_);
    if (!validIndexLocked(index, "alias update")) return;
    chunks_[index]->setAlias(std::move(alias));
    toSync = journalLocked(DocJournal::Type::Set, index, chunks_[index]->stringValue().value_or(""));
  }
  finishChange(toSync);
}

bool Vellisto_BigDoc::physicalDeleteChunk(const std::string& signedString) {
  return physicalDeleteChunkByDigest(Vellisto_Chunk::md5HexDigest(signedString));
}

bool Vellisto_BigDoc::physicalDeleteChunkByDigest(const std::string& sig) {
  std::shared_ptr<DocJournal> toSync;
  std::shared_ptr<Vellisto_Chunk> removed;
  std::shared_ptr<Vellisto_DocChainOwner> owner;
  {
    MutexLock lock(lock_);
    std::optional<std::size_t> slot = slotOfDigestLocked(sig);
    if (!slot) return false;
    const std::size_t index = *slot;
    removed = chunks_[index];
    // The text itself is the user's: its length says enough.
    logDebugf("remove chunk %s (%zu bytes)", removed->sig().c_str(), removed->context().size());
    owner = chainOwner_.lock();
    // A doc of the store leaves the record's files to its owner, which keeps a file another record
    // still names (a pinned copy of it); a doc on its own removes its forever image itself.
    if (const auto& json = removed->json(); !owner && json && json->is_object()) {
      auto image = json->find("forever_image");
      if (image != json->end() && image->is_string()) removeForeverImage(image->get<std::string>());
    }
    toSync = journalLocked(DocJournal::Type::Erase, index, removed->sig());
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(index));
    if (index_) index_->remove(*removed);
  }
  finishChange(toSync);
  if (owner) owner->chunkDidLeave(removed);
  return true;
}

// ---- forever images ----

void Vellisto_BigDoc::setForeverPath(std::string path) {
  ClassState& state = classState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.foreverPath = std::move(path);
}

std::string Vellisto_BigDoc::foreverPath() {
  ClassState& state = classState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.foreverPath;
}

void Vellisto_BigDoc::setFileRemovalQueue(std::shared_ptr<dispatch::Queue> queue) {
  ClassState& state = classState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.removalQueue = std::move(queue);
}

void Vellisto_BigDoc::removeForeverImage(const std::string& path) {
  std::shared_ptr<dispatch::Queue> queue;
  std::string folder;
  {
    ClassState& state = classState();
    std::lock_guard<std::mutex> lock(state.mutex);
    queue = state.removalQueue ? state.removalQueue : dispatch::Queue::global();
    folder = state.foreverPath;
  }
  queue->async([path, folder] {
    namespace fs = std::filesystem;
    // The path comes from a record's json, which a sync peer may have written: only a file directly
    // or indirectly inside the forever folder may go, never the folder itself or anything outside.
    if (folder.empty()) {
      logWarningf("doc: no forever folder is set; %s is left alone", path.c_str());
      return;
    }
    std::error_code ec;
    fs::path target(path);
    if (!fs::exists(fs::symlink_status(target, ec))) target = fs::path(percentDecode(path));
    const fs::path name = target.filename();
    std::error_code parentError;
    std::error_code rootError;
    const fs::path parent = fs::weakly_canonical(target.parent_path(), parentError);
    fs::path root = fs::weakly_canonical(fs::path(folder), rootError).lexically_normal();
    if (!root.has_filename()) root = root.parent_path();  // "forever/" names the folder "forever"
    if (parentError || rootError || name.empty() || name == "." || name == ".." || root.empty()) {
      logWarningf("doc: %s is not a forever image; left alone", path.c_str());
      return;
    }
    const fs::path relative = parent.lexically_relative(root);
    if (relative.empty() || *relative.begin() == "..") {
      logWarningf("doc: %s lies outside the forever folder; left alone", path.c_str());
      return;
    }
    const fs::path victim = parent / name;
    fs::file_status status = fs::symlink_status(victim, ec);
    if (fs::is_directory(status)) {
      logWarningf("doc: %s is a folder; left alone", path.c_str());
      return;
    }
    if (fs::exists(status)) fs::remove(victim, ec);
  });
}

// ---- fields ----

std::int64_t Vellisto_BigDoc::docId() const {
  MutexLock lock(lock_);
  return docId_;
}

std::string Vellisto_BigDoc::filePath() const {
  MutexLock lock(lock_);
  return filePath_;
}

void Vellisto_BigDoc::setFilePath(std::string path) {
  MutexLock lock(lock_);
  filePath_ = std::move(path);
}

std::shared_ptr<Vellisto_BigDoc> Vellisto_BigDoc::prev() const {
  MutexLock lock(lock_);
  return prev_.lock();
}

void Vellisto_BigDoc::setPrev(const std::shared_ptr<Vellisto_BigDoc>& doc) {
  MutexLock lock(lock_);
  prev_ = doc;
}

std::shared_ptr<Vellisto_BigDoc> Vellisto_BigDoc::next() const {
  MutexLock lock(lock_);
  return next_;
}

void Vellisto_BigDoc::setNext(std::shared_ptr<Vellisto_BigDoc> doc) {
  std::shared_ptr<SignatureIndex> index;
  {
    MutexLock lock(lock_);
    next_ = doc;
    index = index_;
  }
  // The docs linked from here on are in this doc's chain, and in its index.
  for (; index && doc; doc = doc->next()) doc->joinIndex(index);
}

std::shared_ptr<Vellisto_CodecDelegate> Vellisto_BigDoc::codec() const {
  MutexLock lock(lock_);
  return codec_;
}

void Vellisto_BigDoc::setCodec(std::shared_ptr<Vellisto_CodecDelegate> codec) {
  MutexLock lock(lock_);
  codec_ = std::move(codec);
}

std::shared_ptr<Vellisto_DocChainOwner> Vellisto_BigDoc::chainOwner() const {
  MutexLock lock(lock_);
  return chainOwner_.lock();
}

void Vellisto_BigDoc::setChainOwner(const std::shared_ptr<Vellisto_DocChainOwner>& owner) {
  MutexLock lock(lock_);
  chainOwner_ = owner;
}

std::vector<std::shared_ptr<Vellisto_Chunk>> Vellisto_BigDoc::chunks() const {
  MutexLock lock(lock_);
  return chunks_;
}

std::size_t Vellisto_BigDoc::chunkCount() const {
  MutexLock lock(lock_);
  return chunks_.size();
}

std::shared_ptr<Vellisto_Chunk> Vellisto_BigDoc::chunkAt(std::size_t index) const {
  MutexLock lock(lock_);
  if (index >= chunks_.size()) {
    logWarningf("doc: slot %zu asked of %s, which has %zu", index, filePath_.c_str(), chunks_.size());
    return nullptr;
  }
  return chunks_[index];
}

bool Vellisto_BigDoc::isDamaged() const {
  MutexLock lock(lock_);
  return damaged_;
}

}  // namespace vl
