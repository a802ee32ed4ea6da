#include "platform/system/CrashAnalyticsService.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// One line, appended in one write so lines of two threads never interleave.
bool appendLine(const std::string& path, const std::string& line) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const std::string data = line + "\n";
  ssize_t written = ::write(fd, data.data(), data.size());
  ::close(fd);
  return written == static_cast<ssize_t>(data.size());
}

}  // namespace

CrashAnalyticsService& CrashAnalyticsService::shared() {
  static CrashAnalyticsService* service = new CrashAnalyticsService();  // used until exit
  return *service;
}

bool CrashAnalyticsService::isGuid(const std::string& text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

bool CrashAnalyticsService::start(const std::string& appSecret, unsigned services,
                                  const std::string& recordFile) {
  if (!isGuid(appSecret)) {
    logWarning("analytics: the application secret is not a GUID; the service stays off");
    return false;
  }
  if ((services & (Analytics | Crashes)) == 0) {
    log("analytics: started with no service; the service stays off");
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (started_) {
    logWarning("analytics: already started; the second start is ignored");
    return false;
  }
  started_ = true;
  services_ = services & (Analytics | Crashes);
  secret_ = appSecret;
  recordFile_ = recordFile;
  reportedWriteFailure_ = false;
  logf("analytics: started (%s%s%s), recorded on this machine only",
       (services_ & Analytics) ? "analytics" : "", services_ == (Analytics | Crashes) ? ", " : "",
       (services_ & Crashes) ? "crashes" : "");
  return true;
}

bool CrashAnalyticsService::isStarted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return started_;
}

unsigned CrashAnalyticsService::services() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return services_;
}

std::string CrashAnalyticsService::appSecret() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return secret_;
}

void CrashAnalyticsService::trackEvent(const std::string& name, const Json& properties) {
  Event event{name, Clock::current().now(), properties.is_object() ? properties : Json::object()};
  std::string file;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_ || !(services_ & Analytics)) return;
    events_.push_back(event);
    if (events_.size() > kMemoryLimit) events_.pop_front();
    file = recordFile_;
  }
  if (file.empty()) return;
  const std::string line =
      dumpJson(Json{{"name", event.name}, {"time", event.time}, {"properties", event.properties}});
  if (appendLine(file, line)) return;
  std::lock_guard<std::mutex> lock(mutex_);
  // A full disk would otherwise log once per event.
  if (!reportedWriteFailure_) {
    reportedWriteFailure_ = true;
    logWarningf("analytics: cannot append to %s; events are kept in memory only", file.c_str());
  }
}

std::vector<CrashAnalyticsService::Event> CrashAnalyticsService::events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {events_.begin(), events_.end()};
}

void CrashAnalyticsService::resetForTesting() {
  std::lock_guard<std::mutex> lock(mutex_);
  started_ = false;
  services_ = 0;
  secret_.clear();
  recordFile_.clear();
  reportedWriteFailure_ = false;
  events_.clear();
}

}  // namespace vl
