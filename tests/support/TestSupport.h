#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/Check.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Log.h"

// What tests of every folder need: scratch folders, environment variables set for one test, and the
// log lines a test caused. Header-only, so any test folder can use it without linking more.
namespace vl::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end. The
// path is "" when no folder could be made, so nothing outside it is ever removed.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "vl-test") {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    std::string pattern = ((ec ? std::filesystem::path("/tmp") : base) / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempDir() {
    if (path_.empty()) return;
    std::error_code ignored;
    // A test may have taken its own permissions away to see how the code copes.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Environment variables set (or, with nullopt, unset) while the object lives; the old values come
// back at the end, the last change undone first.
class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const char* name, const std::optional<std::string>& value) { set(name, value); }
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
      setEnvironmentVariable(it->first.c_str(), it->second);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  // Through the program's own lock: its threads may be reading the environment meanwhile.
  void set(const char* name, const std::optional<std::string>& value) {
    saved_.emplace_back(name, environmentVariable(name));
    setEnvironmentVariable(name, value);
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A private HOME, with XDG_CONFIG_HOME and XDG_CACHE_HOME inside it, so settings and caches start
// empty and nothing touches the user's files.
class PrivateHome {
 public:
  explicit PrivateHome(const std::string& prefix = "vl-home") : dir_(prefix) {
    env_.set("HOME", dir_.path());
    env_.set("XDG_CONFIG_HOME", dir_ / "config");
    env_.set("XDG_CACHE_HOME", dir_ / "cache");
  }
  const std::string& path() const { return dir_.path(); }
  std::string operator/(const std::string& name) const { return dir_ / name; }

 private:
  TempDir dir_;  // declared first: the environment is restored before the folder goes
  ScopedEnv env_;
};

// The least level this process shows on stderr (and on stdout, where a line goes there) while the object
// lives.
class ScopedLogThreshold {
 public:
  explicit ScopedLogThreshold(vl::LogLevel level) : previous_(vl::setLogThreshold(level)) {}
  ~ScopedLogThreshold() { vl::setLogThreshold(previous_); }
  ScopedLogThreshold(const ScopedLogThreshold&) = delete;
  ScopedLogThreshold& operator=(const ScopedLogThreshold&) = delete;

 private:
  vl::LogLevel previous_;
};

// Collects the log lines written (from any thread) while the object lives. The lines are kept until
// the next capture starts, so they can be read after it ended.
class LogCapture {
 public:
  LogCapture() {
    clear();
    previous_ = vl::setLogSink(&LogCapture::sink);
  }
  ~LogCapture() { vl::setLogSink(previous_); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  static std::vector<std::string> take() {
    std::lock_guard<std::mutex> lock(mutex());
    return lines();
  }
  static void clear() {
    std::lock_guard<std::mutex> lock(mutex());
    lines().clear();
  }
  static bool contains(const std::string& part) {
    std::lock_guard<std::mutex> lock(mutex());
    return std::any_of(lines().begin(), lines().end(),
                       [&](const std::string& line) { return line.find(part) != std::string::npos; });
  }
  static bool containsPrefix(const std::string& prefix) {
    std::lock_guard<std::mutex> lock(mutex());
    return std::any_of(lines().begin(), lines().end(),
                       [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
  }
  // How many lines are exactly `line`.
  static int count(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex());
    return static_cast<int>(std::count(lines().begin(), lines().end(), line));
  }

 private:
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::string>& lines() {
    static std::vector<std::string> collected;
    return collected;
  }
  static void sink(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex());
    lines().push_back(line);
  }

  vl::LogSink previous_ = nullptr;
};

// Tests abort on an exception escaping a block or an observer; the tests of that logging path itself
// switch to what the program does for their duration.
class ProgramExceptionPolicy {
 public:
  ProgramExceptionPolicy() : previous_(vl::setUncaughtExceptionPolicy(vl::UncaughtExceptionPolicy::Log)) {}
  ~ProgramExceptionPolicy() { vl::setUncaughtExceptionPolicy(previous_); }
  ProgramExceptionPolicy(const ProgramExceptionPolicy&) = delete;
  ProgramExceptionPolicy& operator=(const ProgramExceptionPolicy&) = delete;

 private:
  vl::UncaughtExceptionPolicy previous_;
};

}  // namespace vl::test
