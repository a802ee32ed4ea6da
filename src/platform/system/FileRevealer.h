#pragma once

#include <functional>
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

  // Told on the main thread whether the file is shown: true when a file manager shows it or its folder
  // went to the folder's opener, false when nothing could show it. It may be told before reveal returns.
  using Shown = std::function<void(bool shown)>;
  // `path` is a plain file system path (not percent-encoded). `shown` may be empty.
  virtual void reveal(const std::string& path, Shown shown = {});

  // Opens the folder that holds `path` in its default application; false when there is none.
  [[nodiscard]] static bool openContainingFolder(const std::string& path);
};

}  // namespace vl
