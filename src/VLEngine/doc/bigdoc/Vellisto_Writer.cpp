#include "VLEngine/doc/bigdoc/Vellisto_Writer.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

constexpr double kIntervalMs = 60 * 1000;
constexpr std::string_view kTmpSuffix = ".tmp";

std::string withoutTmp(std::string name) {
  for (std::size_t at = name.find(kTmpSuffix); at != std::string::npos; at = name.find(kTmpSuffix)) {
    name.erase(at, kTmpSuffix.size());
  }
  return name;
}

}  // namespace

Vellisto_Writer& Vellisto_Writer::shared() {
  static Vellisto_Writer writer;
  return writer;
}

Vellisto_Writer::Vellisto_Writer() : codec_(std::make_shared<Vellisto_DefaultCodec>()) {}

void Vellisto_Writer::setFolderSource(FolderSource source) {
  std::lock_guard<std::mutex> lock(mutex_);
  folderSource_ = std::move(source);
}

void Vellisto_Writer::start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (timer_) timer_->cancel();
  timer_ = dispatch::TimerSource::create(dispatch::Queue::main());
  timer_->schedule(kIntervalMs, kIntervalMs);
  timer_->setHandler([] { Vellisto_Writer::shared().writting(); });
  timer_->resume();
}

void Vellisto_Writer::stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (timer_) timer_->cancel();
  timer_.reset();
}

void Vellisto_Writer::writting() {
  logDebug("writting...");
  FolderSource source;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    source = folderSource_;
  }
  if (!source) return;
  for (const std::string& folder : source()) tmpFileMV(folder);
}

void Vellisto_Writer::tmpFileMV(const std::string& folder) {
  files::DirectoryListing listing = files::listDirectory(folder);
  if (!listing.ok()) return;
  for (const std::string& name : listing.names) {
    if (!endsWith(name, kTmpSuffix)) continue;
    const std::string target = withoutTmp(name);
    if (target.empty()) continue;
    const std::string from = files::joinPath(folder, name);
    if (!files::isRegularFile(from)) continue;
    // One rename, so the doc is replaced whole: removing it first and copying after left a moment with
    // no doc at all.
    if (!files::moveFile(from, files::joinPath(folder, target))) {
      logErrorf("writer: cannot move %s over %s", from.c_str(), target.c_str());
    }
  }
}

}  // namespace vl
