#include "VLEngine/doc/journal/DocJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

constexpr std::string_view kPrefix = "journal_";
constexpr std::size_t kRecordHead = 9;  // checksum, length, type
constexpr std::size_t kMarkerBytes = 8;
// Header payloads: the first format's, and one that names a marker.
constexpr std::size_t kPlainHeaderPayload = 24;
constexpr std::size_t kMarkedHeaderPayload = 32;
// Where the first record after a header that names a marker begins.
constexpr std::uint64_t kMarkedHeaderBytes = kRecordHead + kMarkedHeaderPayload;

std::atomic<std::uint64_t> gBytesWritten{0};

std::mutex& hookMutex() {
  static std::mutex mutex;
  return mutex;
}

DocJournal::FaultHook& faultHook() {
  static DocJournal::FaultHook hook;
  return hook;
}

void putU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void putU64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint64_t getLE(std::string_view bytes, std::size_t at, int width) {
  std::uint64_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

uLong crcUpdate(uLong crc, std::string_view bytes) {
  // zlib takes at most 4 GiB per call.
  while (!bytes.empty()) {
    const std::size_t part = std::min<std::size_t>(bytes.size(), 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(part));
    bytes.remove_prefix(part);
  }
  return crc;
}

std::uint32_t crcOf(std::string_view bytes) {
  return static_cast<std::uint32_t>(crcUpdate(crc32(0L, Z_NULL, 0), bytes));
}

std::string errnoText(int error) { return std::strerror(error); }

// Opens a new journal file, writes `bytes` and syncs it and its folder entry. -1 with `error` set on failure
// (nothing is left behind then).
int createSynced(const std::string& folder, const std::string& path, std::string_view bytes,
                 std::string* error) {
  if (int fault = DocJournal::injectedFault(path, "create")) {
    *error = errnoText(fault);
    return -1;
  }
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, files::kPrivateFileMode);
  if (fd < 0) {
    *error = errnoText(errno);
    return -1;
  }
  ::fchmod(fd, files::kPrivateFileMode);
  if (!files::writeAll(fd, bytes) || ::fdatasync(fd) != 0 || !files::syncFolder(folder)) {
    *error = errnoText(errno);
    ::close(fd);
    ::unlink(path.c_str());
    return -1;
  }
  gBytesWritten.fetch_add(bytes.size(), std::memory_order_relaxed);
  return fd;
}

}  // namespace

// ---- names ----

std::string DocJournal::fileName(std::int64_t docId, std::uint64_t generation) {
  return std::string(kPrefix) + std::to_string(docId) + "." + std::to_string(generation);
}

std::optional<std::pair<std::int64_t, std::uint64_t>> DocJournal::parseFileName(std::string_view name) {
  if (!startsWith(name, kPrefix)) return std::nullopt;
  name.remove_prefix(kPrefix.size());
  const std::size_t dot = name.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  auto number = [](std::string_view digits) -> std::optional<std::uint64_t> {
    if (digits.empty() || digits.size() > 18) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return v;
  };
  auto docId = number(name.substr(0, dot));
  auto generation = number(name.substr(dot + 1));
  if (!docId || !generation) return std::nullopt;
  return std::make_pair(static_cast<std::int64_t>(*docId), *generation);
}

DocJournal::FoldMark DocJournal::markOf(std::string_view docBytes) {
  return {docBytes.size(), crcOf(docBytes)};
}

// ---- encoding ----

std::string DocJournal::encodeRecord(Type type, std::string_view payload, std::uint64_t marker) {
  std::string body;
  body.reserve(1 + payload.size());
  body.push_back(static_cast<char>(type));
  body.append(payload);
  std::string out;
  out.reserve(kMarkerBytes + kRecordHead + payload.size());
  if (marker != 0) putU64(out, marker);
  putU32(out, crcOf(body));
  putU32(out, static_cast<std::uint32_t>(payload.size()));
  out.append(body);
  return out;
}

std::string DocJournal::encodeHeader(const Header& header) {
  std::string payload;
  putU64(payload, static_cast<std::uint64_t>(header.docId));
  putU64(payload, header.generation);
  putU64(payload, header.baseRecords);
  if (header.marker != 0) putU64(payload, header.marker);
  return encodeRecord(Type::Header, payload);
}

std::string DocJournal::encodeChange(const Change& change, std::uint64_t marker) {
  std::string payload;
  if (change.type != Type::Append) putU64(payload, change.record);
  payload.append(change.text);
  return encodeRecord(change.type, payload, marker);
}

std::string DocJournal::encodeFold(const FoldMark& mark, std::uint64_t marker) {
  std::string payload;
  putU64(payload, mark.size);
  putU32(payload, mark.crc);
  return encodeRecord(Type::Fold, payload, marker);
}

std::uint64_t DocJournal::newMarker() {
  std::random_device random;
  std::uint64_t marker = 0;
  while (marker == 0) marker = (std::uint64_t{random()} << 32) ^ random();
  return marker;
}

namespace {

// A read bound tests may lower; 0 keeps the real one.
std::atomic<std::uint64_t> gMaxReadBytesForTesting{0};

std::uint64_t maxReadBytes() {
  const std::uint64_t forTesting = gMaxReadBytesForTesting.load(std::memory_order_relaxed);
  return forTesting ? forTesting : DocJournal::kMaxReadBytes;
}

// How far ahead a file is read, and how much of it a search for the next sound record looks at at once.
constexpr std::size_t kReadPiece = 1 << 20;

// The bytes of a journal, asked for a stretch at a time.
class Source {
 public:
  virtual ~Source() = default;
  std::uint64_t size() const { return size_; }
  // Bytes [at, at + n) cut to the size; fewer when the file could not be read that far (then `failed`).
  // Valid until the next call.
  virtual std::string_view bytes(std::uint64_t at, std::size_t n) = 0;
  bool failed() const { return failed_; }

 protected:
  std::uint64_t size_ = 0;
  bool failed_ = false;
};

class MemorySource final : public Source {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) { size_ = bytes.size(); }
  std::string_view bytes(std::uint64_t at, std::size_t n) override {
    return at >= size_ ? std::string_view() : bytes_.substr(static_cast<std::size_t>(at), n);
  }

 private:
  std::string_view bytes_;
};

// A file read forward a piece at a time: what is held is the stretch asked for last and a piece ahead,
// so memory stays that of one record, whatever the file's size.
class FileSource final : public Source {
 public:
  FileSource(int fd, std::uint64_t size) : fd_(fd) { size_ = size; }
  std::string_view bytes(std::uint64_t at, std::size_t n) override {
    if (at >= size_) return {};
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - at));
    const std::uint64_t held = at >= heldAt_ ? at - heldAt_ : held_.size() + 1;
    if (held <= held_.size() && held_.size() - held >= n) return view(held, n);
    // What is held from `at` on stays; the rest is read.
    if (held <= held_.size()) {
      held_.erase(0, static_cast<std::size_t>(held));
    } else {
      held_.clear();
    }
    heldAt_ = at;
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size_ - at, std::max(n, kReadPiece)));
    std::size_t got = held_.size();
    held_.resize(want);
    while (got < want) {
      const ssize_t r = ::pread(fd_, held_.data() + got, want - got, static_cast<off_t>(heldAt_ + got));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) {
        // An error, or the file shrank while it was read: the journal ends here.
        failed_ = r < 0;
        if (r == 0) size_ = heldAt_ + got;
        break;
      }
      got += static_cast<std::size_t>(r);
    }
    held_.resize(got);
    return view(0, std::min(n, got));
  }

 private:
  std::string_view view(std::uint64_t from, std::size_t n) const {
    return std::string_view(held_).substr(static_cast<std::size_t>(from), n);
  }
  int fd_;
  std::string held_;
  std::uint64_t heldAt_ = 0;
};

// Reads the records of a source in order, passing over what is damaged.
class Decoder {
 public:
  Decoder(Source& source, const DocJournal::Visitor& visitor, DocJournal::Contents& out)
      : source_(source), visitor_(visitor), out_(out) {}

  void run() {
    std::uint64_t at = 0;
    const std::uint64_t size = source_.size();
    while (at < size && !source_.failed()) {
      // The header, when it is sound, says whether the records after it carry a marker.
      const std::uint64_t lead = lead_;
      if (std::optional<std::string_view> record = soundAt(at)) {
        const std::uint64_t length = lead + record->size();
        if (std::string why = accept(*record, at); !why.empty()) skip(at, at + length, why);
        at += length;
        continue;
      }
      if (source_.failed()) break;
      if (at == 0 && markedAfterLostHeader()) {
        skip(0, kMarkedHeaderBytes, "a damaged header");
        at = kMarkedHeaderBytes;
        continue;
      }
      if (size - at < lead_ + kRecordHead) {
        cutOff(at);
        break;
      }
      const bool marked = markerAt(at);
      const std::string_view head = source_.bytes(at + lead_, kRecordHead);
      if (head.size() < kRecordHead) break;
      const std::uint64_t length = getLE(head, 4, 4);
      const std::uint64_t end = at + lead_ + kRecordHead + length;
      const bool lengthFits = marked && length <= DocJournal::kMaxPayloadBytes && end <= size;
      const std::string why = !marked ? "a record whose marker is damaged"
                              : length > DocJournal::kMaxPayloadBytes
                                  ? "a record length of " + std::to_string(length) + " bytes"
                              : end > size ? "a record whose length runs past the end"
                                           : "a record whose checksum does not match";
      // Most damage leaves the length whole: the record ends where it says, and the next one begins there.
      if (lengthFits && (end == size || soundAt(end))) {
        skip(at, end, why);
        at = end;
        continue;
      }
      const std::optional<std::uint64_t> next = nextSound(at + 1);
      if (!next && !gaveUp_ && marked && length <= DocJournal::kMaxPayloadBytes && end > size) {
        // Nothing sound after it: the last write, cut off when the process died.
        cutOff(at);
        break;
      }
      skip(at, next.value_or(size), gaveUp_ ? why + "; no sound record found after it" : why);
      if (!next) break;
      at = *next;
    }
    if (source_.failed()) out_.unreadable = true;
    out_.unfinished = !out_.header && out_.changes == 0 && !out_.fold && size < kMarkedHeaderBytes;
  }

 private:
  // The record at `at` begins with the marker (always, in a journal of the first format).
  bool markerAt(std::uint64_t at) {
    return lead_ == 0 || source_.bytes(at, kMarkerBytes) == std::string_view(markerBytes_);
  }

  void useMarker(std::uint64_t marker) {
    lead_ = marker ? kMarkerBytes : 0;
    markerBytes_.clear();
    putU64(markerBytes_, marker);
  }

  // A header lost to damage took the marker with it; the record that followed a header naming one
  // begins with it. Copied text cannot stand there: the first record's own bytes do.
  bool markedAfterLostHeader() {
    if (source_.size() < kMarkedHeaderBytes + kMarkerBytes + kRecordHead) return false;
    const std::string_view candidate = source_.bytes(kMarkedHeaderBytes, kMarkerBytes);
    if (candidate.size() < kMarkerBytes) return false;
    const std::uint64_t marker = getLE(candidate, 0, 8);
    if (marker == 0) return false;
    useMarker(marker);
    if (soundAt(kMarkedHeaderBytes)) return true;
    useMarker(0);
    return false;
  }

  // The record at `at` (after its marker) when its length is in bounds and its checksum matches.
  std::optional<std::string_view> soundAt(std::uint64_t at) {
    if (lead_ > 0 && !markerAt(at)) return std::nullopt;
    return soundRecordAt(at + lead_);
  }

  // The whole bytes of the record that begins with its checksum at `at`, when it is sound.
  std::optional<std::string_view> soundRecordAt(std::uint64_t at) {
    const std::uint64_t size = source_.size();
    if (at >= size || size - at < kRecordHead) return std::nullopt;
    const std::string_view head = source_.bytes(at, kRecordHead);
    if (head.size() < kRecordHead) return std::nullopt;
    const std::uint64_t length = getLE(head, 4, 4);
    const auto type = static_cast<unsigned char>(head[8]);
    if (length > DocJournal::kMaxPayloadBytes || size - at - kRecordHead < length || type < 1 || type > 5)
      return std::nullopt;
    const auto crc = static_cast<std::uint32_t>(getLE(head, 0, 4));
    const bool longRecord = length > kReadPiece;
    if (longRecord) {
      // Checked a piece at a time before it is held whole: a length that damage made up costs no memory.
      uLong sum = crc32(0L, Z_NULL, 0);
      for (std::uint64_t done = 0; done < 1 + length;) {
        const std::string_view piece = source_.bytes(
            at + 8 + done, static_cast<std::size_t>(std::min<std::uint64_t>(kReadPiece, 1 + length - done)));
        if (piece.empty()) return std::nullopt;
        sum = crcUpdate(sum, piece);
        done += piece.size();
      }
      if (static_cast<std::uint32_t>(sum) != crc) return std::nullopt;
    }
    const std::string_view record = source_.bytes(at, static_cast<std::size_t>(kRecordHead + length));
    if (record.size() < kRecordHead + length || (!longRecord && crcOf(record.substr(8)) != crc))
      return std::nullopt;
    return record;
  }

  std::optional<std::uint64_t> nextSound(std::uint64_t from) {
    return lead_ > 0 ? nextMarked(from) : nextUnmarked(from);
  }

  // The next offset from `from` on where the marker begins a sound record. Nothing else is looked at: a
  // record inside a damaged one's payload (a copied text that holds one) lacks the marker.
  std::optional<std::uint64_t> nextMarked(std::uint64_t from) {
    const std::uint64_t size = source_.size();
    for (std::uint64_t q = from; q < size && size - q >= lead_ + kRecordHead;) {
      const std::string_view window =
          source_.bytes(q, static_cast<std::size_t>(std::min<std::uint64_t>(size - q, kReadPiece)));
      if (window.size() < kMarkerBytes) return std::nullopt;
      const std::size_t found = window.find(markerBytes_);
      if (found == std::string_view::npos) {
        // A marker may begin in the last bytes of this window.
        q += window.size() - (kMarkerBytes - 1);
        continue;
      }
      const std::uint64_t candidate = q + found;
      if (soundAt(candidate)) return candidate;
      q = candidate + 1;
    }
    return std::nullopt;
  }

  // A journal of the first format: the next offset from `from` on where a sound record starts. The head
  // is looked at first (a type of a change or fold, a length that fits), so damage costs a checksum only
  // where a record could begin.
  std::optional<std::uint64_t> nextUnmarked(std::uint64_t from) {
    const std::uint64_t size = source_.size();
    std::uint64_t q = from;
    while (q < size && size - q >= kRecordHead) {
      const std::string_view window =
          source_.bytes(q, static_cast<std::size_t>(std::min<std::uint64_t>(size - q, kReadPiece)));
      if (window.size() < kRecordHead) return std::nullopt;
      const std::size_t heads = window.size() - kRecordHead + 1;
      std::optional<std::uint64_t> candidate;
      for (std::size_t i = 0; i < heads; ++i) {
        const auto type = static_cast<unsigned char>(window[i + 8]);
        if (type < 2 || type > 5) continue;
        const std::uint64_t length = getLE(window, i + 4, 4);
        if (length > DocJournal::kMaxPayloadBytes || length > size - (q + i) - kRecordHead) continue;
        candidate = q + i;
        break;
      }
      if (!candidate) {
        q += heads;
        continue;
      }
      const std::uint64_t length = getLE(window, static_cast<std::size_t>(*candidate - q) + 4, 4);
      if (soundAt(*candidate)) return candidate;
      // Checksums of records that were not there: a crafted file could make every byte look like the start
      // of a long one. Past a bound the rest of the file counts as damage.
      checkedInVain_ += length;
      if (checkedInVain_ > maxReadBytes()) {
        gaveUp_ = true;
        return std::nullopt;
      }
      q = *candidate + 1;
    }
    return std::nullopt;
  }

  // Hands on a sound record; why it does not belong where it stands otherwise.
  std::string accept(std::string_view record, std::uint64_t at) {
    const auto type = static_cast<DocJournal::Type>(static_cast<unsigned char>(record[8]));
    const std::string_view payload = record.substr(kRecordHead);
    bool sound = false;
    switch (type) {
      case DocJournal::Type::Header:
        sound = at == 0 && (payload.size() == kPlainHeaderPayload || payload.size() == kMarkedHeaderPayload);
        if (sound) {
          out_.header = DocJournal::Header{
              static_cast<std::int64_t>(getLE(payload, 0, 8)), getLE(payload, 8, 8), getLE(payload, 16, 8),
              payload.size() == kMarkedHeaderPayload ? getLE(payload, 24, 8) : 0};
          useMarker(out_.header->marker);
          if (visitor_.header) visitor_.header(*out_.header);
        }
        break;
      case DocJournal::Type::Append:
        sound = !out_.fold;
        if (sound) change({type, 0, std::string(payload)});
        break;
      case DocJournal::Type::Set:
      case DocJournal::Type::Erase:
        sound = !out_.fold && payload.size() >= 8;
        if (sound) change({type, getLE(payload, 0, 8), std::string(payload.substr(8))});
        break;
      case DocJournal::Type::Fold:
        sound = at > 0 && !out_.fold && payload.size() == 12;
        if (sound) {
          out_.fold =
              DocJournal::FoldMark{getLE(payload, 0, 8), static_cast<std::uint32_t>(getLE(payload, 8, 4))};
        }
        break;
    }
    return sound ? "" : "a record of type " + std::to_string(static_cast<int>(type)) + " out of place";
  }

  void change(DocJournal::Change&& change) {
    ++out_.changes;
    if (visitor_.change) visitor_.change(std::move(change));
  }

  void skip(std::uint64_t from, std::uint64_t to, const std::string& why) {
    if (out_.skippedRecords == 0) {
      out_.damage = why;
      out_.damageOffset = from;
    }
    ++out_.skippedRecords;
    out_.skippedBytes += to - from;
    if (visitor_.skipped) visitor_.skipped();
  }

  void cutOff(std::uint64_t at) {
    out_.cutOff = true;
    out_.cutOffset = at;
  }

  Source& source_;
  const DocJournal::Visitor& visitor_;
  DocJournal::Contents& out_;
  // The bytes of the marker every record after the header begins with, and their count; none in the
  // first format.
  std::uint64_t lead_ = 0;
  std::string markerBytes_;
  std::uint64_t checkedInVain_ = 0;
  bool gaveUp_ = false;
};

}  // namespace

DocJournal::Contents DocJournal::decode(std::string_view bytes, const Visitor& visitor) {
  Contents out;
  out.fileBytes = bytes.size();
  MemorySource source(bytes);
  Decoder(source, visitor, out).run();
  return out;
}

DocJournal::Contents DocJournal::read(const std::string& path, const Visitor& visitor) {
  Contents out;
  struct stat st;
  const int fd = files::openRegularFile(path, &st);
  if (fd < 0) {
    out.unreadable = true;
    return out;
  }
  out.fileBytes = static_cast<std::uint64_t>(st.st_size);
  const std::uint64_t bound = maxReadBytes();
  out.tooLong = out.fileBytes > bound;
  FileSource source(fd, std::min(out.fileBytes, bound));
  Decoder(source, visitor, out).run();
  ::close(fd);
  return out;
}

std::optional<DocJournal::FoldMark> DocJournal::readFoldMark(const std::string& path) {
  // A header and a fold mark, as writeFoldMark writes them, fit in this with room to spare.
  constexpr std::size_t kMarkJournalBytes = 128;
  std::optional<std::string> head = files::readFileHead(path, kMarkJournalBytes);
  if (!head) return std::nullopt;
  Contents contents = decode(*head);
  if (!contents.header || contents.changes > 0) return std::nullopt;
  return contents.fold;
}

void DocJournal::setMaxReadBytesForTesting(std::uint64_t bytes) {
  gMaxReadBytesForTesting.store(bytes, std::memory_order_relaxed);
}

// ---- writing ----

DocJournal::DocJournal(int fd, std::string path, std::string name, Header header, std::uint64_t size)
    : fd_(fd), path_(std::move(path)), name_(std::move(name)), header_(header), size_(size) {}

DocJournal::~DocJournal() {
  if (fd_ >= 0) ::close(fd_);
}

std::shared_ptr<DocJournal> DocJournal::create(const std::string& folder, const Header& header,
                                               std::string* error) {
  const std::string name = fileName(header.docId, header.generation);
  const std::string path = files::joinPath(folder, name);
  Header marked = header;
  marked.marker = newMarker();
  const std::string bytes = encodeHeader(marked);
  const int fd = createSynced(folder, path, bytes, error);
  if (fd < 0) return nullptr;
  return std::shared_ptr<DocJournal>(new DocJournal(fd, path, name, marked, bytes.size()));
}

bool DocJournal::writeFoldMark(const std::string& folder, const Header& header, const FoldMark& mark,
                               std::string* error) {
  const std::string path = files::joinPath(folder, fileName(header.docId, header.generation));
  Header marked = header;
  marked.marker = newMarker();
  const int fd = createSynced(folder, path, encodeHeader(marked) + encodeFold(mark, marked.marker), error);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool DocJournal::append(const Change& change, std::string* error) {
  const std::string record = encodeChange(change, header_.marker);
  int failure = injectedFault(path_, "append");
  if (!failure && !files::writeAll(fd_, record)) {
    failure = errno;
    // Whatever part went out is cut off again: a later record after half of this one would never be read.
    if (::ftruncate(fd_, static_cast<off_t>(size_)) != 0) {
      logErrorf("doc: cannot cut %s back after a failed write (%s)", path_.c_str(), std::strerror(errno));
    }
  }
  if (failure) {
    *error = errnoText(failure);
    return false;
  }
  size_ += record.size();
  gBytesWritten.fetch_add(record.size(), std::memory_order_relaxed);
  return true;
}

bool DocJournal::sync(std::string* error) {
  if (int fault = injectedFault(path_, "sync")) {
    *error = errnoText(fault);
    return false;
  }
  if (::fdatasync(fd_) != 0) {
    *error = errnoText(errno);
    return false;
  }
  return true;
}

bool DocJournal::stillLinked() const {
  struct stat st;
  return ::fstat(fd_, &st) == 0 && st.st_nlink > 0;
}

std::uint64_t DocJournal::totalBytesWritten() { return gBytesWritten.load(std::memory_order_relaxed); }

void DocJournal::setFaultHookForTesting(FaultHook hook) {
  std::lock_guard lock(hookMutex());
  faultHook() = std::move(hook);
}

int DocJournal::injectedFault(const std::string& path, std::string_view step) {
  FaultHook hook;
  {
    std::lock_guard lock(hookMutex());
    hook = faultHook();
  }
  return hook ? hook(path, step) : 0;
}

}  // namespace vl
