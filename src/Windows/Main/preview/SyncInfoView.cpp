#include "Windows/Main/preview/SyncInfoView.h"

#include "platform/foundation/Localization.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"
#include "ui/ArrowCursor.h"

namespace vl {
namespace {

std::shared_ptr<ui::TextView> label(const std::string& colorKey) {
  auto v = ui::TextView::create();
  v->setMaximumNumberOfLines(1);
  v->setEditable(false);
  v->setSelectable(false);
  v->setFont(VLFont::mainFont());
  v->setDrawsBackground(false);
  v->setTextContainerInset({0, 0});
  setTextColorAssetKey(*v, colorKey);
  return v;
}

double widthOf(ui::TextView& v) { return v.usedRect().width() + 2 * v.lineFragmentPadding(); }

}  // namespace

std::shared_ptr<SyncInfoView> SyncInfoView::create(const ui::Rect& frame) {
  auto view = std::make_shared<SyncInfoView>(frame);
  view->build();
  return view;
}

void SyncInfoView::build() {
  lead_ = label("fontNormalColor");
  tag_ = label("white");
  tag_->setWantsLayer(true);
  setBackgroundColorAssetKey(*tag_->layer(), "accentColor");
  tag_->layer()->setCornerRadius(4);
  time_ = label("fontNormalColor");
  addSubview(lead_);
  addSubview(tag_);
  addSubview(time_);
}

void SyncInfoView::setDeviceName(const std::string& deviceName, const std::string& timeString) {
  lead_->setString(localized("preview.sync"));
  tag_->setString(deviceName);
  time_->setString(timeString);
  double x = 10;
  const double h = 16;
  lead_->setFrame({x, 0, widthOf(*lead_), h});
  x += lead_->frame().width() + 4;
  tag_->setAlignment(ui::TextAlignment::Center);
  tag_->setFrame({x, 0, widthOf(*tag_) + 13, h});
  x += tag_->frame().width() + 4;
  time_->setFrame({x, 0, widthOf(*time_), h});
}

std::string SyncInfoView::text() const {
  return lead_->string() + " " + tag_->string() + " " + time_->string();
}

}  // namespace vl
