#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vl {

class Vellisto_Chunk;

// What capture asks of parts that sit above it: the window registry, the status item and device sync.
// Those parts install their hooks at start; until then each call is a no-op (no window is shown, no
// feedback is given, nothing is synced). Every hook is called on the capture queue and must not wait
// for the main thread while holding anything of capture; the installer moves to its own thread.
class CaptureHooks {
 public:
  // Whether the window registered under the key is shown.
  using WindowAppear = std::function<bool(const std::string& windowKey)>;
  // The status item's copy feedback, once per captured copy.
  using PayAnimate = std::function<void()>;
  // Sends one captured record to the sync network this device has joined, when there is a session.
  using SyncChunk = std::function<void(const std::shared_ptr<Vellisto_Chunk>& chunk)>;
  // The same for a record made by merging copy, with the texts of the records it replaces.
  using SyncMergingCopy = std::function<void(const std::shared_ptr<Vellisto_Chunk>& chunk,
                                             const std::vector<std::string>& replacedTexts)>;

  static void setWindowAppear(WindowAppear hook);
  static void setPayAnimate(PayAnimate hook);
  static void setSyncChunk(SyncChunk hook);
  static void setSyncMergingCopy(SyncMergingCopy hook);
  // Drops every hook.
  static void reset();
  // Which hooks are installed (start-up checks that none is left empty).
  struct Installed {
    bool windowAppear, payAnimate, syncChunk, syncMergingCopy;
  };
  static Installed installed();

  static bool windowAppear(const std::string& windowKey);
  static void payAnimate();
  static void syncChunk(const std::shared_ptr<Vellisto_Chunk>& chunk);
  static void syncChunkMergingCopyDel(const std::shared_ptr<Vellisto_Chunk>& chunk,
                                      const std::vector<std::string>& replacedTexts);
};

}  // namespace vl
