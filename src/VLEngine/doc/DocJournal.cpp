#include "VLEngine/doc/DocJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

constexpr std::string_view kPrefix = "journal_";
constexpr std::size_t kRecordHead = 9;  // checksum, length, type

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

std::uint32_t crcOf(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes at most 4 GiB per call.
  while (!bytes.empty()) {
    const std::size_t part = std::min<std::size_t>(bytes.size(), 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(part));
    bytes.remove_prefix(part);
  }
  return static_cast<std::uint32_t>(crc);
}

std::string errnoText(int error) { return std::strerror(error); }

bool writeAll(int fd, std::string_view data, int* error) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = errno;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

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
  int writeError = 0;
  if (!writeAll(fd, bytes, &writeError) || ::fdatasync(fd) != 0 || !files::syncFolder(folder)) {
    *error = errnoText(writeError ? writeError : errno);
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

std::string DocJournal::encodeRecord(Type type, std::string_view payload) {
  std::string body;
  body.reserve(1 + payload.size());
  body.push_back(static_cast<char>(type));
  body.append(payload);
  std::string out;
  out.reserve(kRecordHead + payload.size());
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
  return encodeRecord(Type::Header, payload);
}

std::string DocJournal::encodeChange(const Change& change) {
  std::string payload;
  if (change.type != Type::Append) putU64(payload, change.record);
  payload.append(change.text);
  return encodeRecord(change.type, payload);
}

std::string DocJournal::encodeFold(const FoldMark& mark) {
  std::string payload;
  putU64(payload, mark.size);
  putU32(payload, mark.crc);
  return encodeRecord(Type::Fold, payload);
}

DocJournal::Contents DocJournal::decode(std::string_view bytes) {
  Contents out;
  std::size_t at = 0;
  auto stop = [&](std::string why) {
    out.damage = std::move(why);
    out.damageOffset = at;
  };
  while (at < bytes.size()) {
    if (bytes.size() - at < kRecordHead) {
      stop("a record cut off in its head");
      break;
    }
    const auto crc = static_cast<std::uint32_t>(getLE(bytes, at, 4));
    const auto length = static_cast<std::uint32_t>(getLE(bytes, at + 4, 4));
    if (length > kMaxPayloadBytes) {
      stop("a record length of " + std::to_string(length) + " bytes");
      break;
    }
    if (bytes.size() - at - kRecordHead < length) {
      stop("a record cut off after " + std::to_string(bytes.size() - at - kRecordHead) + " of " +
           std::to_string(length) + " bytes");
      break;
    }
    const std::string_view body = bytes.substr(at + 8, 1 + length);
    if (crcOf(body) != crc) {
      stop("a record whose checksum does not match");
      break;
    }
    const auto type = static_cast<Type>(static_cast<unsigned char>(body[0]));
    const std::string_view payload = body.substr(1);
    const bool first = at == 0;
    bool sound = true;
    switch (type) {
      case Type::Header:
        sound = first && payload.size() == 24;
        if (sound) {
          out.header = Header{static_cast<std::int64_t>(getLE(payload, 0, 8)), getLE(payload, 8, 8),
                              getLE(payload, 16, 8)};
        }
        break;
      case Type::Append:
        sound = !first && !out.fold;
        if (sound) out.changes.push_back({type, 0, std::string(payload)});
        break;
      case Type::Set:
      case Type::Erase:
        sound = !first && !out.fold && payload.size() >= 8;
        if (sound) out.changes.push_back({type, getLE(payload, 0, 8), std::string(payload.substr(8))});
        break;
      case Type::Fold:
        sound = !first && !out.fold && payload.size() == 12;
        if (sound)
          out.fold = FoldMark{getLE(payload, 0, 8), static_cast<std::uint32_t>(getLE(payload, 8, 4))};
        break;
      default:
        sound = false;
        break;
    }
    if (!sound) {
      stop("a record of type " + std::to_string(static_cast<int>(type)) + " out of place");
      break;
    }
    at += kRecordHead + length;
  }
  if (!out.header && out.damage.empty()) {
    out.damage = "no header";
    out.damageOffset = 0;
  }
  out.unfinished = !out.header && bytes.size() < kRecordHead + 24;
  return out;
}

DocJournal::Contents DocJournal::read(const std::string& path) {
  std::optional<std::string> bytes = files::readFile(path);
  if (!bytes) {
    Contents out;
    out.damage = "cannot be read";
    return out;
  }
  return decode(*bytes);
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
  const std::string bytes = encodeHeader(header);
  const int fd = createSynced(folder, path, bytes, error);
  if (fd < 0) return nullptr;
  return std::shared_ptr<DocJournal>(new DocJournal(fd, path, name, header, bytes.size()));
}

bool DocJournal::writeFoldMark(const std::string& folder, const Header& header, const FoldMark& mark,
                               std::string* error) {
  const std::string path = files::joinPath(folder, fileName(header.docId, header.generation));
  const int fd = createSynced(folder, path, encodeHeader(header) + encodeFold(mark), error);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool DocJournal::append(const Change& change, std::string* error) {
  const std::string record = encodeChange(change);
  int failure = injectedFault(path_, "append");
  if (!failure && !writeAll(fd_, record, &failure)) {
    // Whatever part went out is cut off again: a later record after half of this one would never be read.
    if (::ftruncate(fd_, static_cast<off_t>(size_)) != 0) {
      logf("doc: cannot cut %s back after a failed write (%s)", path_.c_str(), std::strerror(errno));
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
