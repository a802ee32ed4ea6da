#include "lookup/PronounceAudio.h"

#include <unistd.h>

#include <algorithm>

#include "VLEngine/VLEngine.h"
#include "lookup/Mp3Decoder.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/system/net/HttpFetcher.h"

namespace vl {

namespace {

constexpr const char* kPrefix = "pronounce-";
constexpr const char* kSuffix = ".wav";
// Files of earlier pronunciations kept; older ones are removed as new ones arrive.
constexpr std::size_t kKeptFiles = 20;

HttpFetchOptions audioFetchOptions() {
  HttpFetchOptions options;
  options.timeoutSeconds = 10;
  options.maxBytes = Mp3Limits{}.maxInputBytes;
  return options;
}

void pruneOldFiles(const std::string& folder) {
  const auto listing = files::listDirectory(folder, false);
  if (!listing.ok()) return;
  std::vector<std::pair<double, std::string>> ours;
  for (const std::string& name : listing.names) {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) continue;
    const std::string path = files::joinPath(folder, name);
    if (!files::isRegularFile(path)) continue;
    ours.emplace_back(files::modificationTime(path).value_or(0), path);
  }
  if (ours.size() <= kKeptFiles) return;
  std::sort(ours.begin(), ours.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (std::size_t i = kKeptFiles; i < ours.size(); ++i) ::unlink(ours[i].second.c_str());
}

std::optional<std::string> store(const std::string& voiceLink, const HttpResponse& response) {
  if (!response.ok()) {
    logWarningf("pronunciation: the audio did not arrive (status %ld)", response.status);
    return std::nullopt;
  }
  auto audio = decodeMp3(response.body);
  if (!audio) return std::nullopt;
  const std::string folder = pronunciationFolder();
  if (!files::isDirectory(folder) && !files::createDirectories(folder)) {
    logError("pronunciation: the audio folder cannot be made; not played");
    return std::nullopt;
  }
  const std::string path = pronunciationPath(voiceLink);
  if (!files::atomicWrite(path, wavFile(*audio), files::kPrivateFileMode)) {
    logError("pronunciation: the audio cannot be written; not played");
    return std::nullopt;
  }
  pruneOldFiles(folder);
  return path;
}

}  // namespace

std::string pronunciationFolder() {
  std::string folder = VLEngine::shared().audioPath();
  if (folder.empty()) folder = files::joinPath(files::homeDirectory(), ".vellisto/audio");
  return folder;
}

std::string pronunciationPath(const std::string& voiceLink) {
  return files::joinPath(pronunciationFolder(), kPrefix + md5Hex(voiceLink) + kSuffix);
}

void loadPronunciation(const std::string& voiceLink, std::function<void(std::optional<std::string>)> done) {
  HttpFetcher::shared()->getAsync(voiceLink, audioFetchOptions(),
                                  [voiceLink, done = std::move(done)](const HttpResponse& response) {
                                    auto path = store(voiceLink, response);
                                    dispatch::Queue::main()->async([done, path] {
                                      if (done) done(path);
                                    });
                                  });
}

}  // namespace vl
