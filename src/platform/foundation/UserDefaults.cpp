#include "platform/foundation/UserDefaults.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/JsonBounded.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, std::unique_ptr<UserDefaults>> domains;
  // Objects dropped by resetForTesting stay alive: a singleton elsewhere may still hold a reference.
  std::vector<std::unique_ptr<UserDefaults>> retired;
};

Registry& registry() {
  static Registry* r = new Registry();  // never destroyed: defaults may be used during exit
  return *r;
}

std::string fileNameForDomain(const std::string& domain) {
  std::string safe = domain.empty() ? std::string(UserDefaults::kStandardDomain) : domain;
  for (char& c : safe)
    if (c == '/' || c == '\0') c = '_';
  if (safe == "." || safe == "..") safe = "_" + safe;
  return safe + ".json";
}

// Serialises read-modify-write cycles of several processes on one domain, so a set in one process
// never drops a key another process set a moment earlier.
class CrossProcessLock {
 public:
  explicit CrossProcessLock(const std::string& path) {
    std::string folder = files::deletingLastPathComponent(path);
    if (!folder.empty()) (void)files::createDirectories(folder, 0700);  // open below fails and tells
    fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~CrossProcessLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }

 private:
  int fd_ = -1;
};

}  // namespace

UserDefaults& UserDefaults::standard() { return suite(kStandardDomain); }

UserDefaults& UserDefaults::suite(const std::string& name) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::string domain = name.empty() ? std::string(kStandardDomain) : name;
  auto it = r.domains.find(domain);
  if (it != r.domains.end()) return *it->second;
  std::string path = files::joinPath(directory(), fileNameForDomain(domain));
  auto created = std::make_unique<UserDefaults>(domain, path);
  UserDefaults& ref = *created;
  r.domains.emplace(domain, std::move(created));
  return ref;
}

void UserDefaults::resetForTesting() {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (auto& [name, defaults] : r.domains) r.retired.push_back(std::move(defaults));
  r.domains.clear();
}

std::string UserDefaults::directory() {
  const std::string xdg = environmentValue("XDG_CONFIG_HOME");
  // The XDG rules say a relative value is to be ignored.
  std::string base =
      (!xdg.empty() && xdg[0] == '/') ? xdg : files::joinPath(files::homeDirectory(), ".config");
  return files::joinPath(base, "vellisto");
}

UserDefaults::UserDefaults(std::string domain, std::string filePath)
    : domain_(std::move(domain)), path_(std::move(filePath)) {}

namespace {

std::int64_t nanoseconds(const struct timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::mutex& hookMutex() {
  static std::mutex m;
  return m;
}

std::function<void()>& rereadHook() {
  static std::function<void()> hook;
  return hook;
}

}  // namespace

void UserDefaults::setRereadHookForTesting(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(hookMutex());
  rereadHook() = std::move(hook);
}

UserDefaults::FileStamp UserDefaults::stampOfFile() const {
  FileStamp s;
  struct stat st;
  if (::stat(path_.c_str(), &st) != 0) return s;
  s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtimeNs = nanoseconds(st.st_mtim);
  s.ctimeNs = nanoseconds(st.st_ctim);
  return s;
}

UserDefaults::FileRead UserDefaults::readFileLocked() const {
  FileRead r;
  r.stamp = stampOfFile();
  if (!r.stamp.exists) return r;
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    r.error = std::strerror(errno);
    return r;
  }
  // Stamp what we actually read: the file may be replaced between stat and open.
  struct stat st;
  if (::fstat(fd, &st) == 0) {
    r.stamp.dev = st.st_dev;
    r.stamp.ino = st.st_ino;
    r.stamp.size = st.st_size;
    r.stamp.mtimeNs = nanoseconds(st.st_mtim);
    r.stamp.ctimeNs = nanoseconds(st.st_ctim);
    if (!S_ISREG(st.st_mode)) {
      ::close(fd);
      r.error = "not a regular file";
      return r;
    }
  }
  char buffer[65536];
  // One byte past the bound is enough to know the file is too large; the rest is never read.
  while (r.text.size() <= kMaxFileBytes) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      r.error = std::strerror(errno);
      break;
    }
    if (n == 0) break;
    r.text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return r;
}

bool UserDefaults::waitForChangeLocked(const FileStamp& read) const {
  {
    std::function<void()> hook;
    {
      std::lock_guard<std::mutex> lock(hookMutex());
      hook = rereadHook();
    }
    if (hook) hook();
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSettleMs);
  for (;;) {
    if (!(stampOfFile() == read)) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void UserDefaults::reloadIfChangedLocked() {
  FileStamp now = stampOfFile();
  if (loadedOnce_ && now == stamp_) return;
  loadedOnce_ = true;
  if (!now.exists) {
    // Removed by someone else (or never written): the domain is empty. When our own write failed the
    // stamp did not change, so values kept in memory survive until a write succeeds.
    if (stamp_.exists) values_ = Json::object();
    stamp_ = now;
    return;
  }
  FileRead read = readFileLocked();
  BoundedJson parsed;
  std::string reason;
  // Another process may be writing the file in place (truncated, then written in parts): what we read
  // is then half a file. While the file keeps changing it is read again; only a file that stays as it
  // is for a moment, or that still does not parse after a few tries, is taken for corrupt.
  // A file emptied while settings were known is waited for the same way: it is most often the moment
  // between a writer's truncation and its first write.
  for (int attempt = 0;; ++attempt) {
    if (!read.error.empty()) break;
    reason.clear();
    if (!read.text.empty()) {
      parsed = parseJsonBounded(read.text, kMaxNesting, kMaxFileBytes);
      reason = parsed.ok() ? (parsed.value->is_object() ? "" : "not a JSON object") : parsed.reason;
    }
    const bool suspect = !reason.empty() || (read.text.empty() && haveGoodValues_ && !values_.empty());
    if (!suspect || attempt >= kMaxRereads || !waitForChangeLocked(read.stamp)) break;
    read = readFileLocked();
    if (!read.stamp.exists) break;
  }
  const bool existed = stamp_.exists;
  stamp_ = read.stamp;
  if (!read.stamp.exists) {
    if (existed) values_ = Json::object();
    return;
  }
  if (!read.error.empty()) {
    logWarningf("defaults: cannot read %s: %s", path_.c_str(), read.error.c_str());
    return;  // a later change of the file retries
  }
  if (read.text.empty()) {
    values_ = Json::object();
    haveGoodValues_ = true;
    return;
  }
  if (reason.empty()) {
    values_ = std::move(*parsed.value);
    haveGoodValues_ = true;
    return;
  }
  // Keep the unreadable file for the user (or a later fix); the next write creates a fresh file, so the
  // corrupt one must be out of the way first.
  std::string aside = path_ + ".corrupt";
  for (int n = 1; files::exists(aside) && n < 1000; ++n) aside = path_ + ".corrupt." + std::to_string(n);
  const bool keptAside = ::rename(path_.c_str(), aside.c_str()) == 0;
  const std::string renameError = keptAside ? "" : std::strerror(errno);
  if (haveGoodValues_) {
    // The settings read last stay what the program uses, and go back to disk at once: the file kept
    // aside is never the only copy of them.
    const bool written = writeLocked();
    logWarningf("defaults: %s is corrupt (%s); %s, the last settings read %s", path_.c_str(), reason.c_str(),
                keptAside ? ("kept aside as " + aside).c_str() : ("not kept aside: " + renameError).c_str(),
                written ? "are written back" : "are kept in memory");
    if (written) return;
  } else {
    values_ = Json::object();
    if (keptAside) {
      logWarningf("defaults: %s is corrupt (%s); kept aside as %s, starting empty", path_.c_str(),
                  reason.c_str(), aside.c_str());
    } else {
      logErrorf("defaults: %s is corrupt (%s) and could not be kept aside (%s); starting empty",
                path_.c_str(), reason.c_str(), renameError.c_str());
    }
  }
  stamp_ = stampOfFile();
}

bool UserDefaults::writeLocked() {
  std::string folder = files::deletingLastPathComponent(path_);
  if (!folder.empty() && !files::createDirectories(folder, 0700)) {
    logErrorf("defaults: cannot create %s; %s kept in memory only", folder.c_str(), domain_.c_str());
    return false;
  }
  if (!files::atomicWrite(path_, dumpJson(values_, 2) + "\n", 0600)) {
    logErrorf("defaults: cannot write %s; %s kept in memory only", path_.c_str(), domain_.c_str());
    return false;
  }
  stamp_ = stampOfFile();
  haveGoodValues_ = true;
  return true;
}

std::optional<Json> UserDefaults::object(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  reloadIfChangedLocked();
  auto it = values_.find(key);
  if (it == values_.end() || it->is_null()) return std::nullopt;
  return *it;
}

bool UserDefaults::boolValue(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  reloadIfChangedLocked();
  return jsonBool(values_, key, false);
}

long long UserDefaults::integerValue(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  reloadIfChangedLocked();
  auto it = values_.find(key);
  if (it != values_.end() && it->is_number_float()) {
    double d = it->get<double>();
    // Out-of-range or NaN floats would be undefined behaviour in a cast.
    if (!std::isfinite(d) || d >= 9.2e18 || d <= -9.2e18) return 0;
  }
  return jsonInteger(values_, key, 0);
}

double UserDefaults::doubleValue(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  reloadIfChangedLocked();
  return jsonDouble(values_, key, 0);
}

std::optional<std::string> UserDefaults::stringValue(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  reloadIfChangedLocked();
  auto it = values_.find(key);
  if (it == values_.end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

bool UserDefaults::setObject(const std::string& key, const Json& value) {
  std::lock_guard<std::mutex> lock(mutex_);
  CrossProcessLock fileLock(path_);
  reloadIfChangedLocked();
  auto it = values_.find(key);
  if (value.is_null()) {
    if (it == values_.end() && stamp_.exists) return true;
    if (it != values_.end()) values_.erase(it);
  } else {
    if (it != values_.end() && *it == value && stamp_.exists) return true;
    values_[key] = value;
  }
  return writeLocked();
}

bool UserDefaults::registerDefaults(const Json& defaults) {
  if (!defaults.is_object()) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  CrossProcessLock fileLock(path_);
  reloadIfChangedLocked();
  bool changed = false;
  for (const auto& [key, value] : defaults.items()) {
    if (value.is_null() || values_.find(key) != values_.end()) continue;
    values_[key] = value;
    changed = true;
  }
  return changed ? writeLocked() : true;
}

bool UserDefaults::remove(const std::string& key) { return setObject(key, Json()); }

Json UserDefaults::dictionaryRepresentation() {
  std::lock_guard<std::mutex> lock(mutex_);
  reloadIfChangedLocked();
  return values_;
}

}  // namespace vl
