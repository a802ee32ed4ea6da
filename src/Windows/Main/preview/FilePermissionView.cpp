#include "Windows/Main/preview/FilePermissionView.h"

#include <algorithm>

#include "core/VLConfig.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Url.h"
#include "platform/ui/window/OpenPanel.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"

namespace vl {

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

  grant_ = SYFlatButton::create();
  grant_->setTitle(localized("preview.permission.action"));
  grant_->setMomentary(true);
  grant_->setCornerRadius(4);
  grant_->setTitleNormalColor(ui::Color{1, 1, 1, 1});
  grant_->setBackgroundNormalColor(ui::Color{94 / 255.0, 149 / 255.0, 240 / 255.0, 1});
  grant_->setFont(VLFont::mainFont());
  std::weak_ptr<FilePermissionView> weak = std::static_pointer_cast<FilePermissionView>(shared_from_this());
  grant_->setActionHandler("goAndGrant:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->goAndGrant();
  });
  grant_->setTarget(grant_);
  grant_->setAction("goAndGrant:");
  addSubview(grant_);
  resizeSubviewsWithOldSize(frame().size);
}

void FilePermissionView::resizeSubviewsWithOldSize(ui::Size) {
  if (!alert_) return;
  const double w = frame().width();
  const double h = frame().height();
  alert_->setFrame({0, h - 130, w, 30});
  grant_->setFrame({(w - 100) / 2, alert_->frame().origin.y - 45, 100, 25});
}

std::string FilePermissionView::startFolder() const {
  std::string path = failedOpenUrl_;
  if (path.rfind("file://", 0) == 0) path = percentDecode(path.substr(7));
  // "/home/ann/Pictures/a.png" starts the panel in "/home": the folder a grant most often needs.
  if (path.size() > 1 && path[0] == '/') {
    const std::size_t end = path.find('/', 1);
    if (end != std::string::npos) {
      std::string top = path.substr(0, end);
      if (top.size() > 1 && files::isDirectory(top)) return top;
    }
  }
  return files::homeDirectory();
}

void FilePermissionView::goAndGrant() {
  auto panel = ui::OpenPanel::openPanel();
  panel->setMessage(localized("file.permission.panel.message"));
  panel->setPrompt(localized("file.permission.panel.prompt"));
  panel->setCanChooseFiles(false);
  panel->setCanChooseDirectories(true);
  panel->setCanCreateDirectories(false);
  panel->setDirectoryURL(startFolder());
  panel->begin([panel](long response) {
    if (response != ui::ModalResponse::OK) return;
    remember(panel->URL());
    NotificationCenter::defaultCenter().post(kReloadImageDataNotification);
  });
}

void FilePermissionView::remember(const std::string& folder) {
  VLConfig& config = VLConfig::shared();
  const std::optional<Json> stored = config.getValueOfKey(VLConfig::kBookmarks);
  Json list = Json::array();
  if (stored && stored->is_object() && stored->contains("bookmarkDataList") &&
      (*stored)["bookmarkDataList"].is_array()) {
    list = (*stored)["bookmarkDataList"];
  } else if (stored) {
    log("folder grant: the stored grants were no list; they start again");
  }
  // A grant here is the folder's path, so the same folder granted again adds nothing.
  if (!folder.empty() && std::find(list.begin(), list.end(), Json(folder)) == list.end())
    list.push_back(folder);
  config.setValueOfKey(VLConfig::kBookmarks, Json{{"bookmarkDataList", list}});
}

}  // namespace vl
