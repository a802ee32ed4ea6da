#pragma once

#include <memory>
#include <string>

namespace vl {

// Shows a file in the desktop's file manager. The headless default, and every backend that finds no
// file manager, opens the folder that holds the file instead. Main thread only.
class FileRevealer {
 public:
  virtual ~FileRevealer() = default;

  static std::shared_ptr<FileRevealer> shared();
  // nullptr goes back to the default.
  static void install(std::shared_ptr<FileRevealer> backend);

  // `path` is a plain file system path (not percent-encoded).
  virtual void reveal(const std::string& path);

  // Opens the folder that holds `path` in its default application; false when there is none.
  [[nodiscard]] static bool openContainingFolder(const std::string& path);
};

}  // namespace vl
