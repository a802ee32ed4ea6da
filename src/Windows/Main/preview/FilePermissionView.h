#pragma once

#include <memory>
#include <string>

#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"
#include "ui/controls/SYFlatButton.h"

namespace vl {

// Shown over a file or image preview whose file could not be read: it asks the user to grant a folder
// in the open panel, remembers the folder in settings key 109 and tells the previews to look again.
class FilePermissionView : public ui::View {
 public:
  // Posted (object nullptr) after a grant; the file previews observe it and refresh.
  static constexpr const char* kReloadImageDataNotification = "VELLISTO_MAIN_reloadImageData";

  explicit FilePermissionView(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<FilePermissionView> create(const ui::Rect& frame = {});

  // The file whose reading failed: a path or a file URL.
  const std::string& failedOpenUrl() const { return failedOpenUrl_; }
  void setFailedOpenUrl(std::string url) { failedOpenUrl_ = std::move(url); }
  // The folder the open panel starts in: the top-level folder of the failed file, else the home folder.
  std::string startFolder() const;
  void goAndGrant();

  const std::shared_ptr<ui::TextView>& alert() const { return alert_; }
  const std::shared_ptr<SYFlatButton>& grant() const { return grant_; }

  void resizeSubviewsWithOldSize(ui::Size oldSize) override;

 private:
  void build();
  static void remember(const std::string& folder);

  std::shared_ptr<ui::TextView> alert_;
  std::shared_ptr<SYFlatButton> grant_;
  std::string failedOpenUrl_;
};

}  // namespace vl
