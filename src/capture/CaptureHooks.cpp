#include "capture/CaptureHooks.h"

#include <mutex>
#include <utility>

namespace vl {

namespace {

struct Hooks {
  std::mutex mutex;
  CaptureHooks::WindowAppear windowAppear;
  CaptureHooks::PayAnimate payAnimate;
  CaptureHooks::SyncChunk syncChunk;
  CaptureHooks::SyncMergingCopy syncMergingCopy;
};

Hooks& hooks() {
  static Hooks* instance = new Hooks;  // capture threads may still call in while the process exits
  return *instance;
}

// A copy of the hook taken under the lock, so a hook is never called with the lock held.
template <typename T>
T load(T Hooks::*member) {
  std::lock_guard lock(hooks().mutex);
  return hooks().*member;
}

template <typename T>
void store(T Hooks::*member, T value) {
  std::lock_guard lock(hooks().mutex);
  hooks().*member = std::move(value);
}

}  // namespace

void CaptureHooks::setWindowAppear(WindowAppear hook) { store(&Hooks::windowAppear, std::move(hook)); }
void CaptureHooks::setPayAnimate(PayAnimate hook) { store(&Hooks::payAnimate, std::move(hook)); }
void CaptureHooks::setSyncChunk(SyncChunk hook) { store(&Hooks::syncChunk, std::move(hook)); }
void CaptureHooks::setSyncMergingCopy(SyncMergingCopy hook) {
  store(&Hooks::syncMergingCopy, std::move(hook));
}

void CaptureHooks::reset() {
  std::lock_guard lock(hooks().mutex);
  hooks().windowAppear = nullptr;
  hooks().payAnimate = nullptr;
  hooks().syncChunk = nullptr;
  hooks().syncMergingCopy = nullptr;
}

CaptureHooks::Installed CaptureHooks::installed() {
  std::lock_guard lock(hooks().mutex);
  return {static_cast<bool>(hooks().windowAppear), static_cast<bool>(hooks().payAnimate),
          static_cast<bool>(hooks().syncChunk), static_cast<bool>(hooks().syncMergingCopy)};
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
