#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vl {

// Where an image that came from another device is stored: always directly in the forever folder, under
// a name taken from the sender's path but never able to climb out of the folder, and never over a file
// that is already there (another record's image).
class ReceivedImageFile {
 public:
  // The sender's last path component, percent-decoded, cut again to its own last component; "<sig>.png"
  // instead of "", ".", "..", a name with a NUL byte, or one longer than a file name may be.
  static std::string fileNameFor(const std::string& senderPath, const std::string& sig);
  // Writes `blocks`, one after another, as `name` in `folder` (made when missing), or as "name-2.ext",
  // "name-3.ext"... when the name is taken: the name is claimed with an exclusive create before the
  // bytes go in through a temporary and a rename. The path written, or nothing (logged).
  static std::optional<std::string> write(const std::string& folder, const std::string& name,
                                          const std::vector<std::string>& blocks);
  // A file without a name in `folder` (made when missing), for writing; -1 (logged) where the file
  // system has none.
  static int openUnnamed(const std::string& folder);
  // Syncs the unnamed file `fd` and gives it a name in `folder` as write() would choose it: `name`, or a
  // numbered one when that is taken; never over a file that is there. The file is linked through the
  // process's descriptor folder; where that cannot be done (no /proc), its bytes, at most
  // FileTransferEntity::kMaxBytes, are copied out as write() stores them. The path, or nothing (logged).
  static std::optional<std::string> link(const std::string& folder, const std::string& name, int fd);
  // Where link() looks for the process's descriptors, "/proc/self/fd" unless a test points it
  // elsewhere; "" restores it.
  static void setDescriptorFolderForTesting(const std::string& folder);
  // The "forever_image" value for the file `writtenName` in `folder`. The image loader percent-decodes
  // it: a file that kept the sender's name keeps the sender's encoded form, any other name is given
  // with its "%" escaped.
  static std::string storedValue(const std::string& folder, const std::string& writtenName,
                                 const std::string& senderPath);

 private:
  // Claims a free name as write() does, then has `fill` put the bytes in at that path; a name whose
  // bytes did not go in is given back.
  static std::optional<std::string> claimAndFill(const std::string& folder, const std::string& name,
                                                 const std::function<bool(const std::string& path)>& fill);
  static std::optional<std::string> copyOut(const std::string& folder, const std::string& name, int fd);
};

}  // namespace vl
