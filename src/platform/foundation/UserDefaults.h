#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Json.h"

namespace vl {

// One defaults domain kept as a JSON object in `$XDG_CONFIG_HOME/vellisto/<domain>.json` (mode 0600).
//
// Several processes of one user share a domain (the program and its preferences tool), so every read
// first checks whether the file changed on disk (inode, size, modification time) and reloads it, and
// every write replaces the whole file through a temporary and a rename before it returns: a reader never
// sees half a file and a crash never leaves one. Writes from two processes are last-writer-wins per file.
//
// A file that does not parse, or is larger or nested deeper than the bounds below (checked while it is
// read, so a hostile file costs neither time nor memory), is read again while it keeps changing (a writer
// that truncates and writes in parts shows half a file for a moment). One that stays broken is logged
// and renamed to `<domain>.json.corrupt` (an older .corrupt file is kept under a numbered name); the
// settings read last stay in use and are written back at once, so the file set aside is never their
// only copy. A domain that never read good settings starts empty. Nothing is deleted.
//
// All methods are thread-safe.
class UserDefaults {
 public:
  // The program's own domain ("vellisto").
  static UserDefaults& standard();
  // A named suite, e.g. "Q4T8K2N6WZ.com.norrak.vellisto". The same name gives the same object.
  static UserDefaults& suite(const std::string& name);
  // The application-group suite every settings key lives in.
  static constexpr const char* kGroupSuite = "Q4T8K2N6WZ.com.norrak.vellisto";
  static constexpr const char* kStandardDomain = "vellisto";
  // Far above what the program itself stores; a file beyond either is treated as corrupt.
  static constexpr std::size_t kMaxFileBytes = 16u << 20;
  static constexpr std::size_t kMaxNesting = 128;
  // A file that does not parse is read again once it changed, unless it stayed the same this long, at
  // most this many times.
  static constexpr int kSettleMs = 100;
  static constexpr int kMaxRereads = 20;
  // Runs each time a file that does not parse is about to be waited for (tests finish a write here);
  // nullptr removes it.
  static void setRereadHookForTesting(std::function<void()> hook);

  // Tests point HOME / XDG_CONFIG_HOME elsewhere and then drop the cached objects (and their paths).
  // References handed out earlier must not be used afterwards.
  static void resetForTesting();

  // The folder that holds every domain file: $XDG_CONFIG_HOME/vellisto (XDG_CONFIG_HOME defaults to
  // $HOME/.config).
  static std::string directory();

  // An unshared object over an explicit file; for tests and tools.
  explicit UserDefaults(std::string domain, std::string filePath);
  UserDefaults(const UserDefaults&) = delete;
  UserDefaults& operator=(const UserDefaults&) = delete;

  const std::string& domain() const { return domain_; }
  const std::string& filePath() const { return path_; }

  std::optional<Json> object(const std::string& key);
  // false when missing; numbers read as non-zero; strings "YES"/"true"/"1" read as true.
  bool boolValue(const std::string& key);
  // 0 when missing or not a number; booleans read 0/1; numeric strings are parsed.
  long long integerValue(const std::string& key);
  double doubleValue(const std::string& key);
  // nullopt unless a string is stored.
  std::optional<std::string> stringValue(const std::string& key);

  // A null Json removes the key. Returns false when the file could not be written (logged); the
  // value stays in memory so the running program keeps working.
  bool setObject(const std::string& key, const Json& value);
  // Stores each member of `defaults` whose key holds nothing, in one write under one lock, so a first
  // start writes the file once and another process's value is never overwritten between check and set.
  [[nodiscard]] bool registerDefaults(const Json& defaults);
  bool setBool(const std::string& key, bool value) { return setObject(key, Json(value)); }
  bool setInteger(const std::string& key, long long value) { return setObject(key, Json(value)); }
  bool setString(const std::string& key, const std::string& value) { return setObject(key, Json(value)); }
  [[nodiscard]] bool remove(const std::string& key);

  // Every key and value, freshly read.
  Json dictionaryRepresentation();

 private:
  struct FileStamp {
    std::uint64_t dev = 0, ino = 0;
    std::int64_t size = -1;
    std::int64_t mtimeNs = 0;
    std::int64_t ctimeNs = 0;
    bool exists = false;
    bool operator==(const FileStamp&) const = default;
  };
  struct FileRead {
    FileStamp stamp;
    std::string text;
    std::string error;  // empty when read
  };
  FileStamp stampOfFile() const;
  FileRead readFileLocked() const;
  // Whether the file changed from what was read within kSettleMs.
  bool waitForChangeLocked(const FileStamp& read) const;
  void reloadIfChangedLocked();
  [[nodiscard]] bool writeLocked();

  std::string domain_;
  std::string path_;
  std::mutex mutex_;
  Json values_ = Json::object();
  FileStamp stamp_;
  bool loadedOnce_ = false;
  // Whether values_ holds settings read from the file or written to it.
  bool haveGoodValues_ = false;
};

}  // namespace vl
