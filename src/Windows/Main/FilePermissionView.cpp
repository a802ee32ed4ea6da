#include "Windows/Main/FilePermissionView.h"

#include "core/VLConfig.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Url.h"
#include "platform/ui/window/OpenPanel.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr double kAlertHeight = 30;
constexpr double kGrantWidth = 100;
constexpr double kGrantHeight = 25;
const ui::Color kGrantBlue = ui::Color::rgba(94 / 255.0, 149 / 255.0, 240 / 255.0, 1);

}  // namespace

std::shared_ptr<FilePermissionView> FilePermissionView::create(const ui::Rect& frame) {
  auto view = std::make_shared<FilePermissionView>(frame);
  auto alert = ui::TextView::create();
  alert->setEditable(false);
  alert->setSelectable(false);
  alert->setDrawsBackground(false);
  alert->setMaximumNumberOfLines(2);
  alert->setAlignment(ui::TextAlignment::Center);
  alert->setFont(VLFont::mainFont());
  setTextColorAssetKey(*alert, "fontNormalColor");
  alert->setString(localized("file.permission.title"));
  view->addSubview(alert);
  view->alert_ = alert;

  auto grant = SYFlatButton::create({0, 0, kGrantWidth, kGrantHeight});
  grant->setMomentary(true);
  grant->setCornerRadius(4);
  grant->setTitleNormalColor(ui::Color::whiteColor());
  grant->setTitleHighlightColor(ui::Color::whiteColor());
  grant->setBackgroundNormalColor(kGrantBlue);
  grant->setBackgroundHighlightColor(kGrantBlue);
  grant->setFont(VLFont::mainFont());
  grant->setTitle(localized("preview.permission.action"));
  std::weak_ptr<FilePermissionView> weak = view;
  view->setActionHandler("goAndGrant:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->goAndGrant();
  });
  grant->setTarget(view);
  grant->setAction("goAndGrant:");
  view->addSubview(grant);
  view->grant_ = grant;
  view->resizeSubviewsWithOldSize(frame.size);
  return view;
}

void FilePermissionView::resizeSubviewsWithOldSize(ui::Size) {
  const double w = bounds().width();
  const double h = bounds().height();
  if (alert_) alert_->setFrame({0, h - 130, w, kAlertHeight});
  if (grant_) grant_->setFrame({(w - kGrantWidth) / 2, h - 130 - 45, kGrantWidth, kGrantHeight});
}

std::string FilePermissionView::startFolderOf(const std::string& url) {
  std::string path = url.starts_with("file://") ? url.substr(7) : url;
  path = percentDecode(path);
  const auto begin = path.find_first_not_of('/');
  if (begin == std::string::npos) return "/";
  const auto end = path.find('/', begin);
  // A bare file name has no folder of its own to start in.
  if (end == std::string::npos) return "/";
  return "/" + path.substr(begin, end - begin);
}

void FilePermissionView::goAndGrant() {
  auto panel = ui::OpenPanel::openPanel();
  panel->setMessage("Authorize access to file");
  panel->setPrompt("Authorize");
  panel->setCanChooseFiles(false);
  panel->setCanChooseDirectories(true);
  panel->setCanCreateDirectories(false);
  panel->setDirectoryURL(startFolderOf(failedOpenUrl_));
  panel->begin([panel](long response) {
    if (response != ui::ModalResponse::OK || panel->URL().empty()) return;
    grantFolder(panel->URL());
  });
}

void FilePermissionView::grantFolder(const std::string& folder) {
  Json list = Json::array();
  const std::optional<Json> stored = VLConfig::shared().getValueOfKey(VLConfig::kBookmarks);
  if (stored && stored->is_object()) {
    auto it = stored->find("bookmarkDataList");
    if (it != stored->end() && it->is_array()) list = *it;
  }
  list.push_back(folder);
  VLConfig::shared().setValueOfKey(VLConfig::kBookmarks, Json{{"bookmarkDataList", list}});
  log("file access: granted " + folder);
  NotificationCenter::defaultCenter().post(kReloadNotification);
}

}  // namespace vl
