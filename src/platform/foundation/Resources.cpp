#include "platform/foundation/Resources.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>

#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

std::mutex& resourceMutex() {
  static std::mutex m;
  return m;
}

std::optional<std::string>& cachedDirectory() {
  static std::optional<std::string> dir;
  return dir;
}

std::string executableFolder() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return files::deletingLastPathComponent(std::string(buffer, static_cast<std::size_t>(n)));
}

std::string findDirectory() {
  if (const std::string env = environmentValue("VELLISTO_RESOURCES"); !env.empty()) {
    if (files::isDirectory(env)) return env;
    logWarningf("resources: VELLISTO_RESOURCES=%s is not a folder; looking beside the program", env.c_str());
  }
  if (std::string exe = executableFolder(); !exe.empty()) {
    // Beside the program in a build folder; share/vellisto next to bin/ once installed.
    for (const char* relative : {"resources", "../share/vellisto"}) {
      std::string folder = std::filesystem::path(files::joinPath(exe, relative)).lexically_normal().string();
      if (files::isDirectory(folder)) return folder;
    }
  }
  logWarning("resources: no resource folder found (set VELLISTO_RESOURCES); built-in fallbacks are used");
  return {};
}

}  // namespace

std::string resourceDirectory() {
  std::lock_guard<std::mutex> lock(resourceMutex());
  if (!cachedDirectory()) cachedDirectory() = findDirectory();
  return *cachedDirectory();
}

std::string resourcePath(const std::string& relativePath) {
  std::string dir = resourceDirectory();
  if (dir.empty()) return {};
  return files::joinPath(dir, relativePath);
}

void resetResourceDirectoryForTesting() {
  std::lock_guard<std::mutex> lock(resourceMutex());
  cachedDirectory().reset();
}

}  // namespace vl
