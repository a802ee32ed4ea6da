#include "launcher/RunningProcesses.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace vl::launcher {
namespace {

bool isAllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Reads "Name:" and the first (real) id of "Uid:" from a status file; the rest is not needed.
void readStatus(const std::string& path, RunningProcess& process) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Name:", 0) == 0) {
      std::size_t start = line.find_first_not_of(" \t", 5);
      process.name = start == std::string::npos ? "" : line.substr(start);
    } else if (line.rfind("Uid:", 0) == 0) {
      std::size_t start = line.find_first_not_of(" \t", 4);
      if (start == std::string::npos) continue;
      std::size_t end = line.find_first_of(" \t", start);
      std::string id = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (isAllDigits(id) && id.size() < 12) process.uid = std::stol(id);
    }
  }
}

}  // namespace

std::string executableOfLink(const std::string& linkPath) {
  char buffer[PATH_MAX];
  ssize_t length = ::readlink(linkPath.c_str(), buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return {};
  std::string target(buffer, static_cast<std::size_t>(length));
  constexpr std::string_view kDeleted = " (deleted)";
  if (target.size() > kDeleted.size() &&
      target.compare(target.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0) {
    target.resize(target.size() - kDeleted.size());
  }
  return target;
}

std::vector<RunningProcess> runningProcesses(const std::string& procRoot) {
  std::vector<RunningProcess> processes;
  DIR* dir = ::opendir(procRoot.c_str());
  if (dir == nullptr) return processes;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view name(entry->d_name);
    if (!isAllDigits(name) || name.size() > 10) continue;
    RunningProcess process;
    process.pid = std::stol(std::string(name));
    std::string base = procRoot + "/" + std::string(name);
    readStatus(base + "/status", process);
    process.executablePath = executableOfLink(base + "/exe");
    processes.push_back(std::move(process));
  }
  ::closedir(dir);
  return processes;
}

std::string ownExecutablePath(const std::string& procRoot) {
  return executableOfLink(procRoot + "/self/exe");
}

}  // namespace vl::launcher
