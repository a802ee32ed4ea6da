#pragma once

#include <string>

namespace vl {

// One program per data folder: two programs on one home would both capture and both write the same
// docs, and the last writer would win. The lock is an flock on ~/.vellisto/lock, held for as long as
// this object lives; the kernel lets it go when the process ends, however it ends.
class DataFolderLock {
 public:
  static constexpr const char* kRelativePath = ".vellisto/lock";

  enum class Result {
    Acquired,
    // Another program holds the lock; this one must not touch the folder.
    HeldElsewhere,
    // The lock file cannot be made (a home that holds nothing); start-up says so later.
    Unavailable,
  };

  DataFolderLock() = default;
  ~DataFolderLock();
  DataFolderLock(const DataFolderLock&) = delete;
  DataFolderLock& operator=(const DataFolderLock&) = delete;

  // Takes the lock for the data folder under `home`, creating only that folder (private) and the
  // lock file. Logs what it could not do.
  Result acquire(const std::string& home);
  void release();

 private:
  int fd_ = -1;
};

}  // namespace vl
