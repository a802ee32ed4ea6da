#pragma once

#include <memory>
#include <string>

#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"
#include "ui/controls/SYFlatButton.h"

namespace vl {

// Stands in a file preview when the record's file cannot be read: a line saying so and a button that
// lets the user pick the folder to allow. The chosen folder joins the granted folders (settings key 109)
// and every file preview reloads. Main thread only.
class FilePermissionView : public ui::View {
 public:
  static constexpr const char* kReloadNotification = "VELLISTO_MAIN_reloadImageData";

  explicit FilePermissionView(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<FilePermissionView> create(const ui::Rect& frame = {});

  // The "file://" address whose reading failed; the folder chooser starts at its top-level folder.
  const std::string& failedOpenUrl() const { return failedOpenUrl_; }
  void setFailedOpenUrl(std::string url) { failedOpenUrl_ = std::move(url); }
  // "/home" for "file:///home/u/a.png"; "/" when the address names no folder.
  static std::string startFolderOf(const std::string& url);

  // Asks for the folder; a chosen one is stored and announced, a cancelled chooser changes nothing.
  void goAndGrant();
  // Appends the folder to the granted ones, keeping what is stored, and tells the previews to reload.
  static void grantFolder(const std::string& folder);

  void resizeSubviewsWithOldSize(ui::Size oldSize) override;
  const std::shared_ptr<ui::TextView>& alert() const { return alert_; }
  const std::shared_ptr<SYFlatButton>& grant() const { return grant_; }

 private:
  std::shared_ptr<ui::TextView> alert_;
  std::shared_ptr<SYFlatButton> grant_;
  std::string failedOpenUrl_;
};

}  // namespace vl
