#include "Windows/Main/preview/FilePermissionView.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/system/desktop/Workspace.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr double kButtonWidth = 120;

}  // namespace

std::shared_ptr<FilePermissionView> FilePermissionView::create(const ui::Rect& frame) {
  auto view = std::make_shared<FilePermissionView>(frame);
  view->build();
  return view;
}

void FilePermissionView::build() {
  alert_ = ui::TextView::create();
  alert_->setEditable(false);
  alert_->setSelectable(false);
  alert_->setMaximumNumberOfLines(2);
  // The button sits under the message's frame, so the frame keeps its height whatever the text.
  alert_->setVerticallyResizable(false);
  alert_->setAlignment(ui::TextAlignment::Center);
  alert_->setDrawsBackground(false);
  alert_->setFont(VLFont::mainFont());
  setTextColorAssetKey(*alert_, std::string("fontNormalColor"));
  alert_->setString(localized("file.permission.title"));
  addSubview(alert_);

  openFolderButton_ = SYFlatButton::create();
  openFolderButton_->setTitle(localized("preview.permission.action"));
  openFolderButton_->setMomentary(true);
  openFolderButton_->setCornerRadius(4);
  openFolderButton_->setTitleNormalColor(ui::Color{1, 1, 1, 1});
  openFolderButton_->setBackgroundNormalColor(ui::Color{94 / 255.0, 149 / 255.0, 240 / 255.0, 1});
  openFolderButton_->setFont(VLFont::mainFont());
  std::weak_ptr<FilePermissionView> weak = std::static_pointer_cast<FilePermissionView>(shared_from_this());
  openFolderButton_->setActionHandler("openFolder:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->openFolder();
  });
  openFolderButton_->setTarget(openFolderButton_);
  openFolderButton_->setAction("openFolder:");
  addSubview(openFolderButton_);
  resizeSubviewsWithOldSize(frame().size);
}

void FilePermissionView::resizeSubviewsWithOldSize(ui::Size) {
  if (!alert_) return;
  const double w = frame().width();
  const double h = frame().height();
  alert_->setFrame({0, h - 130, w, 30});
  openFolderButton_->setFrame({(w - kButtonWidth) / 2, alert_->frame().origin.y - 45, kButtonWidth, 25});
}

std::string FilePermissionView::folderUrl() const {
  std::string path = failedOpenUrl_;
  if (path.rfind("file://", 0) == 0) path = percentDecode(path.substr(7));
  if (path.empty() || path[0] != '/') return {};
  std::string folder = files::deletingLastPathComponent(path);
  if (folder.empty()) folder = "/";
  return "file://" + percentEncode(folder, PercentSet::Path);
}

void FilePermissionView::openFolder() {
  const std::string url = folderUrl();
  auto workspace = Workspace::shared();
  if (url.empty() || !workspace || !workspace->openURL(url))
    logWarning("file preview: the folder of the closed file could not be opened");
}

}  // namespace vl
