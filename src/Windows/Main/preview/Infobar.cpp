#include "Windows/Main/preview/Infobar.h"

#include <chrono>
#include <cstdio>

#include "core/VLDevice.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Localization.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"
#include "ui/ArrowCursor.h"

namespace vl {
namespace {

// 1 Sunday ... 7 Saturday, of the local calendar day that holds t.
long weekdayOf(double t) {
  int y = 0;
  unsigned m = 0, d = 0;
  std::sscanf(date::format(t, "yyyy-MM-dd").c_str(), "%d-%u-%u", &y, &m, &d);
  const std::chrono::weekday wd{std::chrono::sys_days{std::chrono::year{y} / m / d}};
  return static_cast<long>(wd.c_encoding()) + 1;
}

}  // namespace

void ArrowCursorTextViewOfInfobar::mouseMoved(const ui::Event&) { arrow_cursor::set(); }
void ArrowCursorTextViewOfInfobar::cursorUpdate(const ui::Event&) { arrow_cursor::set(); }
void ArrowCursorTextViewOfInfobar::resetCursorRects() { arrow_cursor::resetCursorRects(*this); }

std::shared_ptr<Infobar> Infobar::create() {
  auto bar = std::make_shared<Infobar>();
  bar->build();
  return bar;
}

Infobar::Infobar() : ThemeView({0, 0, kWidth, kHeight}), prefix_(localized("preview.copy")) {}

void Infobar::build() {
  setBackgroundColorAssetKey(*this, "infobarBackgroundColor");
  info_ = ArrowCursorTextViewOfInfobar::create({0, 3, kWidth, 16});
  info_->setMaximumNumberOfLines(1);
  info_->setEditable(false);
  info_->setSelectable(false);
  info_->setFont(VLFont::mainFont());
  info_->setDrawsBackground(false);
  info_->setTextContainerInset({10, 0});
  setTextColorAssetKey(*info_, "fontNormalColor");
  addSubview(info_);
  syncInfoView_ = SyncInfoView::create({0, 3, kWidth, kHeight});
  syncInfoView_->setHidden(true);
  addSubview(syncInfoView_);
  line_ = Line::ofWidth(static_cast<int>(kWidth), ui::Point{0, kHeight - 1});
  addSubview(line_);
}

std::string Infobar::weekDayDesc(long weekday) {
  static const char* const names[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
  if (weekday < 1 || weekday > 7) return {};
  return localized(names[weekday - 1]);
}

std::string Infobar::timeString(double t) {
  const double now = Clock::current().now();
  const double today = date::startOfDay(now);
  // The previous calendar day: across a daylight-saving change it is not 24 hours long.
  const double yesterday = date::addCalendarDays(today, -1);
  const double week = date::addCalendarDays(today, -static_cast<int>(weekdayOf(now) - 1));
  if (t >= today) return localized("today") + " " + date::format(t, "HH:mm:ss");
  if (t >= yesterday) return localized("yesterday");
  if (t >= week) return weekDayDesc(weekdayOf(t));
  return date::format(t, "y-MM-dd");
}

void Infobar::setTime(double timestamp, const std::optional<Json>& json) {
  const std::string when = timeString(timestamp);
  std::string deviceId;
  if (json && json->is_object()) {
    auto it = json->find("sync_device_id");
    if (it != json->end() && it->is_string()) deviceId = it->get<std::string>();
  }
  if (!deviceId.empty() && deviceId != VLDevice::uuid()) {
    std::string name;
    auto it = json->find("sync_device_name");
    if (it != json->end() && it->is_string()) name = it->get<std::string>();
    info_->setHidden(true);
    syncInfoView_->setHidden(false);
    syncInfoView_->setDeviceName(name, when);
    return;
  }
  syncInfoView_->setHidden(true);
  info_->setHidden(false);
  info_->setString(prefix_ + " " + when);
}

void Infobar::clearTime() {
  syncInfoView_->setHidden(true);
  info_->setHidden(false);
  info_->setString("");
}

}  // namespace vl
