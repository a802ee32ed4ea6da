#pragma once

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vltest {

// A fresh folder removed at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = "/tmp/vl-found-XXXXXX";
    char* made = ::mkdtemp(tmpl.data());
    path_ = made ? made : "/tmp";
  }
  ~TempDir() { vl::files::removeRecursive(path_); }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return vl::files::joinPath(path_, name); }

 private:
  std::string path_;
};

// Collects log lines while alive.
class LogCapture {
 public:
  LogCapture() {
    previous_ = vl::setLogSink(&LogCapture::sink);
    lines().clear();
  }
  ~LogCapture() { vl::setLogSink(previous_); }
  static std::vector<std::string> take() {
    std::lock_guard<std::mutex> lock(mutex());
    return lines();
  }
  static bool contains(const std::string& part) {
    for (const std::string& line : take())
      if (line.find(part) != std::string::npos) return true;
    return false;
  }

 private:
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::string>& lines() {
    static std::vector<std::string> l;
    return l;
  }
  static void sink(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex());
    lines().push_back(line);
  }
  vl::LogSink previous_;
};

// Sets an environment variable for the test's lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_)
      ::setenv(name_, old_.c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace vltest
