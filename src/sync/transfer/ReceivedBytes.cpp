#include "sync/transfer/ReceivedBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "sync/transfer/ReceivedImageFile.h"

namespace vl {

// The unnamed file; the writer's blocks share it, so it stays open until the last queued slice is in.
struct ReceivedBytes::File {
  explicit File(int descriptor) : fd(descriptor) {}
  ~File() {
    // A file never named vanishes with its last descriptor.
    ::close(fd);
  }
  const int fd;
  std::atomic<bool> failed{false};
  // Written by the writer queue only.
  off_t written = 0;
};

namespace {

const std::shared_ptr<dispatch::Queue>& writer() {
  static const std::shared_ptr<dispatch::Queue> queue =
      dispatch::Queue::serial("app.vellisto.sync-image-write");
  return queue;
}

}  // namespace

ReceivedBytes::ReceivedBytes(std::string folder) : folder_(std::move(folder)) {}

ReceivedBytes::~ReceivedBytes() = default;

bool ReceivedBytes::append(std::string slice) {
  if (!triedFile_) {
    triedFile_ = true;
    const int fd = ReceivedImageFile::openUnnamed(folder_);
    if (fd >= 0) file_ = std::make_shared<File>(fd);
  }
  size_ += slice.size();
  if (!file_) {
    blocks_.push_back(std::move(slice));
    return true;
  }
  if (file_->failed) return false;
  writer()->async([file = file_, slice = std::move(slice)] {
    if (file->failed) return;
    if (files::writeAll(file->fd, slice)) {
      // Written back from now on, so the sync at the end has little left to wait for.
      const auto length = static_cast<off_t>(slice.size());
      if (::sync_file_range(file->fd, file->written, length, SYNC_FILE_RANGE_WRITE) != 0 && errno != ENOSYS)
        logWarningf("sync transfer: write-back of a received slice not started: %s", std::strerror(errno));
      file->written += length;
      return;
    }
    file->failed = true;
    logErrorf("sync transfer: a received slice could not be written: %s", std::strerror(errno));
  });
  return true;
}

std::optional<std::string> ReceivedBytes::storeAs(const std::string& name) {
  if (!file_) return ReceivedImageFile::write(folder_, name, blocks_);
  writer()->sync([] {});
  // A slice the writer never took (the process is quitting) must not leave a shorter image behind.
  struct stat st {};
  if (file_->failed || ::fstat(file_->fd, &st) != 0 || static_cast<std::size_t>(st.st_size) != size_) {
    logErrorf("sync transfer: a received image was not written whole (%zu bytes expected)", size_);
    return std::nullopt;
  }
  return ReceivedImageFile::link(folder_, name, file_->fd);
}

}  // namespace vl
