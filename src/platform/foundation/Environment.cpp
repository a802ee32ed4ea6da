#include "platform/foundation/Environment.h"

#include <cstdlib>

#include "platform/foundation/Mutex.h"

namespace vl {

namespace {

Mutex& environmentMutex() {
  static Mutex* mutex = new Mutex();  // read by threads that may outlive static destruction
  return *mutex;
}

}  // namespace

std::optional<std::string> environmentVariable(const char* name) {
  MutexLock lock(environmentMutex());
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

std::string environmentValue(const char* name) { return environmentVariable(name).value_or(std::string()); }

void setEnvironmentVariable(const char* name, const std::optional<std::string>& value) {
  MutexLock lock(environmentMutex());
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}

}  // namespace vl
