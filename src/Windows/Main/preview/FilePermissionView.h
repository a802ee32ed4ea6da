#pragma once

#include <memory>
#include <string>

#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"
#include "ui/controls/SYFlatButton.h"

namespace vl {

// Shown over a file or image preview whose file the user's own permissions keep closed. Nothing here
// can open it (no sandbox stands between the program and the file, only the file system's rights), so
// it says so and offers to open the file's folder in the desktop's file manager.
class FilePermissionView : public ui::View {
 public:
  // Posted (object nullptr) when file access may have changed; the file previews observe it and refresh.
  static constexpr const char* kReloadImageDataNotification = "VELLISTO_MAIN_reloadImageData";

  explicit FilePermissionView(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<FilePermissionView> create(const ui::Rect& frame = {});

  // The file whose reading failed: a path or a file URL.
  const std::string& failedOpenUrl() const { return failedOpenUrl_; }
  void setFailedOpenUrl(std::string url) { failedOpenUrl_ = std::move(url); }
  // The folder that holds the failed file, as a file URL; "" when there is no file.
  std::string folderUrl() const;
  // Hands the folder to the desktop's handler (its file manager).
  void openFolder();

  const std::shared_ptr<ui::TextView>& alert() const { return alert_; }
  const std::shared_ptr<SYFlatButton>& openFolderButton() const { return openFolderButton_; }

  void resizeSubviewsWithOldSize(ui::Size oldSize) override;

 private:
  void build();

  std::shared_ptr<ui::TextView> alert_;
  std::shared_ptr<SYFlatButton> openFolderButton_;
  std::string failedOpenUrl_;
};

}  // namespace vl
