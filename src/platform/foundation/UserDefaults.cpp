#include "platform/foundation/UserDefaults.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

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
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // The XDG rules say a relative value is to be ignored.
  std::string base =
      (xdg && xdg[0] == '/') ? std::string(xdg) : files::joinPath(files::homeDirectory(), ".config");
  return files::joinPath(base, "vellisto");
}

UserDefaults::UserDefaults(std::string domain, std::string filePath)
    : domain_(std::move(domain)), path_(std::move(filePath)) {}

UserDefaults::FileStamp UserDefaults::stampOfFile() const {
  FileStamp s;
  struct stat st;
  if (::stat(path_.c_str(), &st) != 0) return s;
  s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
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
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    logf("defaults: cannot read %s: %s", path_.c_str(), std::strerror(errno));
    stamp_ = now;  // do not retry on every read; a later change of the file retries
    return;
  }
  // Stamp what we actually read: the file may be replaced between stat and open.
  struct stat st;
  if (::fstat(fd, &st) == 0) {
    now.dev = st.st_dev;
    now.ino = st.st_ino;
    now.size = st.st_size;
    now.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    now.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  }
  std::string text;
  char buffer[65536];
  bool readOk = true;
  // One byte past the bound is enough to know the file is too large; the rest is never read.
  while (text.size() <= kMaxFileBytes) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      readOk = false;
      break;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  stamp_ = now;
  if (!readOk) {
    logf("defaults: cannot read %s: %s", path_.c_str(), std::strerror(errno));
    return;
  }
  if (text.empty()) {
    values_ = Json::object();
    return;
  }
  BoundedJson parsed = parseJsonBounded(text, kMaxNesting, kMaxFileBytes);
  std::string reason = parsed.reason;
  if (parsed.ok() && parsed.value->is_object()) {
    values_ = std::move(*parsed.value);
    return;
  }
  if (parsed.ok()) reason = "not a JSON object";
  // Keep the unreadable file for the user (or a later fix) and start empty; the next write creates a
  // fresh file, so the corrupt one must be out of the way first.
  std::string aside = path_ + ".corrupt";
  for (int n = 1; files::exists(aside) && n < 1000; ++n) aside = path_ + ".corrupt." + std::to_string(n);
  if (::rename(path_.c_str(), aside.c_str()) == 0) {
    logf("defaults: %s is corrupt (%s); kept aside as %s, starting empty", path_.c_str(), reason.c_str(),
         aside.c_str());
  } else {
    logf("defaults: %s is corrupt (%s) and could not be kept aside (%s); starting empty", path_.c_str(),
         reason.c_str(), std::strerror(errno));
  }
  values_ = Json::object();
  stamp_ = stampOfFile();
}

bool UserDefaults::writeLocked() {
  std::string folder = files::deletingLastPathComponent(path_);
  if (!folder.empty() && !files::createDirectories(folder, 0700)) {
    logf("defaults: cannot create %s; %s kept in memory only", folder.c_str(), domain_.c_str());
    return false;
  }
  if (!files::atomicWrite(path_, dumpJson(values_, 2) + "\n", 0600)) {
    logf("defaults: cannot write %s; %s kept in memory only", path_.c_str(), domain_.c_str());
    return false;
  }
  stamp_ = stampOfFile();
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
