#include "Windows/Preferences/Security/ApplicationChooser.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>

#include "Windows/Preferences/Security/AccessibilityView.h"
#include "core/apps/DesktopEntryQuery.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/Layer.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

std::string folded(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

void layOutRows(AccessibilityScrollView& scroll, ui::View& document,
                const std::vector<std::shared_ptr<WhitelistItem>>& rows, ui::Size rowSize) {
  const double frameHeight = scroll.frame().height();
  const double height = std::ceil(std::max(static_cast<double>(rows.size()) * rowSize.height, frameHeight));
  document.setFrame({0, 0, scroll.frame().width(), height});
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i]->setFrame(
        {0, height - static_cast<double>(i + 1) * rowSize.height, rowSize.width, rowSize.height});
  scroll.scrollToPoint({0, height - frameHeight});
}

std::vector<InstalledApplication> ApplicationChooser::installedApplications(
    const std::vector<std::string>& leaveOut) {
  const std::string path = environmentValue("PATH");
  auto query = DesktopEntryQuery::create();
  std::set<std::string> seen(leaveOut.begin(), leaveOut.end());
  std::vector<InstalledApplication> apps;
  for (const DesktopEntryItem& item : query->gather(DesktopEntryQuery::applicationFolders(), path)) {
    // Capture names the application in front by its entry's file name, so that is what the list holds.
    std::string name = AccessibilityView::applicationNameOfPath(item.path);
    if (name.empty() || !seen.insert(name).second) continue;
    std::string error;
    auto file = DesktopEntryFile::read(item.path, &error);
    std::string title = file ? file->value("Name") : std::string();
    apps.push_back({std::move(name), title.empty() ? item.name : std::move(title), item.path});
  }
  std::stable_sort(apps.begin(), apps.end(),
                   [](const auto& a, const auto& b) { return folded(a.title) < folded(b.title); });
  return apps;
}

std::shared_ptr<ApplicationChooser> ApplicationChooser::create(const ui::Rect& frame,
                                                               std::vector<InstalledApplication> apps,
                                                               Done done) {
  auto chooser = std::make_shared<ApplicationChooser>(frame, std::move(apps), std::move(done));
  chooser->build();
  return chooser;
}

void ApplicationChooser::build() {
  const double w = frame().width();
  const double h = frame().height();
  list_ = AccessibilityScrollView::create({0, kButtonsHeight, w, h - kButtonsHeight});
  list_->layer()->setBorderWidth(1);
  setBorderColorAssetKey(*list_->layer(), std::string("lineColor"));
  auto document = ui::View::create();
  list_->setDocumentView(document);
  addSubview(list_);
  for (long i = 0; i < numberOfWhitelistItem(); ++i) {
    auto row = whitelist(i);
    row->setTagId(static_cast<std::int32_t>(i));
    row->setToggles(true);
    document->addSubview(row);
    items_.push_back(row);
  }
  layOutRows(*list_, *document, items_, sizeOfMenuItem());

  std::weak_ptr<ApplicationChooser> weak = std::static_pointer_cast<ApplicationChooser>(shared_from_this());
  ok_ = DefaultConfirmButton::create({w - 80, 5, 80, 25});
  ok_->setTitle(localized("add"));
  ok_->setActionHandler("okClick:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->okClick();
  });
  ok_->setTarget(ok_);
  ok_->setAction("okClick:");
  cancel_ = DefaultCancelButton::create();
  cancel_->setFrame({w - 80 - 10 - 80, 5, 80, 25});
  cancel_->setTitle(localized("cancel"));
  cancel_->setActionHandler("cancelClick:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->cancelClick();
  });
  cancel_->setTarget(cancel_);
  cancel_->setAction("cancelClick:");
  addSubview(cancel_);
  addSubview(ok_);
}

std::shared_ptr<WhitelistItem> ApplicationChooser::whitelist(long index) {
  const InstalledApplication& app = apps_.at(static_cast<std::size_t>(index));
  return WhitelistItem::initWithTitle(app.name, app.title, app.entryPath);
}

void ApplicationChooser::okClick() {
  std::vector<std::string> picked;
  for (const auto& item : items_) {
    if (item->isSelected()) picked.push_back(item->name());
  }
  finish(picked);
}

void ApplicationChooser::cancelClick() { finish({}); }

void ApplicationChooser::finish(const std::vector<std::string>& picked) {
  // The handler usually removes this view; keep the block alive until it returns.
  Done done = std::move(done_);
  done_ = nullptr;
  if (done) done(picked);
}

}  // namespace vl
