#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "VLEngine/doc/bigdoc/Vellisto_DefaultCodec.h"

namespace vl::dispatch {
class TimerSource;
}

namespace vl {

// Promotes temporary doc files ("<doc name>.tmp") over the docs they stand for, in the store folder and
// in every pin tab folder but the clipboard tab's. Nothing starts it by default; it is offered for a
// store that writes such temporaries.
class Vellisto_Writer {
 public:
  static Vellisto_Writer& shared();

  // The folders to promote in, in order; the record store installs it at start-up.
  using FolderSource = std::function<std::vector<std::string>()>;
  void setFolderSource(FolderSource source);

  // Every 60 seconds on the main run loop.
  void start();
  void stop();
  void writting();
  void focusWrite() { writting(); }
  // Moves every "<name>.tmp" (all ".tmp" removed from the name) over "<name>" in `folder`.
  static void tmpFileMV(const std::string& folder);

  std::shared_ptr<Vellisto_DefaultCodec> codec() const { return codec_; }

 private:
  Vellisto_Writer();

  std::shared_ptr<Vellisto_DefaultCodec> codec_;
  std::shared_ptr<dispatch::TimerSource> timer_;
  FolderSource folderSource_;
  std::mutex mutex_;
};

}  // namespace vl
