#include "capture/CaptureHooks.h"

#include <utility>

#include "platform/foundation/Mutex.h"

namespace vl {

namespace {

struct Hooks {
  Mutex mutex;
  CaptureHooks::WindowAppear windowAppear VL_GUARDED_BY(mutex);
  CaptureHooks::PayAnimate payAnimate VL_GUARDED_BY(mutex);
  CaptureHooks::SyncChunk syncChunk VL_GUARDED_BY(mutex);
  CaptureHooks::SyncMergingCopy syncMergingCopy VL_GUARDED_BY(mutex);
};

Hooks& hooks() {
  static Hooks* instance = new Hooks;  // capture threads may still call in while the process exits
  return *instance;
}

// A copy of the hook taken under the lock, so a hook is never called with the lock held.
template <typename T>
T load(T Hooks::*member) {
  Hooks& installed = hooks();
  MutexLock lock(installed.mutex);
  return installed.*member;
}

template <typename T>
void store(T Hooks::*member, T value) {
  Hooks& installed = hooks();
  MutexLock lock(installed.mutex);
  installed.*member = std::move(value);
}

}  // namespace

void CaptureHooks::setWindowAppear(WindowAppear hook) { store(&Hooks::windowAppear, std::move(hook)); }
void CaptureHooks::setPayAnimate(PayAnimate hook) { store(&Hooks::payAnimate, std::move(hook)); }
void CaptureHooks::setSyncChunk(SyncChunk hook) { store(&Hooks::syncChunk, std::move(hook)); }
void CaptureHooks::setSyncMergingCopy(SyncMergingCopy hook) {
  store(&Hooks::syncMergingCopy, std::move(hook));
}

void CaptureHooks::reset() {
  Hooks& all = hooks();
  MutexLock lock(all.mutex);
  all.windowAppear = nullptr;
  all.payAnimate = nullptr;
  all.syncChunk = nullptr;
  all.syncMergingCopy = nullptr;
}

CaptureHooks::Installed CaptureHooks::installed() {
  Hooks& all = hooks();
  MutexLock lock(all.mutex);
  return {static_cast<bool>(all.windowAppear), static_cast<bool>(all.payAnimate),
          static_cast<bool>(all.syncChunk), static_cast<bool>(all.syncMergingCopy)};
}

bool CaptureHooks::windowAppear(const std::string& windowKey) {
  auto hook = load(&Hooks::windowAppear);
  return hook && hook(windowKey);
}

void CaptureHooks::payAnimate() {
  if (auto hook = load(&Hooks::payAnimate)) hook();
}

void CaptureHooks::syncChunk(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  if (!chunk) return;
  if (auto hook = load(&Hooks::syncChunk)) hook(chunk);
}

void CaptureHooks::syncChunkMergingCopyDel(const std::shared_ptr<Vellisto_Chunk>& chunk,
                                           const std::vector<std::string>& replacedTexts) {
  if (!chunk) return;
  if (auto hook = load(&Hooks::syncMergingCopy)) hook(chunk, replacedTexts);
}

}  // namespace vl
