#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vl {

// Where the bytes of an image that is still arriving wait: in a file without a name in the folder the
// image will be stored in, so that memory holds at most the slices not yet written, a failed transfer
// (or a crash) leaves nothing behind, and the end of the stream only has to sync and name the file.
// Slices are written on one writer queue ("app.vellisto.sync-image-write"), while the next ones
// arrive. Where such a file cannot be made, the slices wait in memory, one block each.
//
// Not thread-safe: its transfer feeds and ends it under a lock of its own.
class ReceivedBytes {
 public:
  explicit ReceivedBytes(std::string folder);
  ~ReceivedBytes();
  ReceivedBytes(const ReceivedBytes&) = delete;
  ReceivedBytes& operator=(const ReceivedBytes&) = delete;

  // False when the bytes could not be kept (the disk refused an earlier slice).
  [[nodiscard]] bool append(std::string slice);
  std::size_t size() const { return size_; }
  // Whether the bytes go to a file (else they wait in memory).
  bool onDisk() const { return file_ != nullptr; }

  // Waits for the writes, then stores the bytes, synced, as `name` in the folder, or under a numbered
  // name when that is taken (ReceivedImageFile). The path written, or nothing (logged).
  std::optional<std::string> storeAs(const std::string& name);

 private:
  struct File;

  const std::string folder_;
  std::shared_ptr<File> file_;
  bool triedFile_ = false;
  std::vector<std::string> blocks_;
  std::size_t size_ = 0;
};

}  // namespace vl
