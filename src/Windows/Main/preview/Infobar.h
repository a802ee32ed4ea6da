#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Windows/Main/preview/SyncInfoView.h"
#include "platform/foundation/Json.h"
#include "platform/ui/text/TextView.h"
#include "ui/Line.h"
#include "ui/view/ThemeView.h"

namespace vl {

// A label-like text view: the arrow cursor everywhere over it.
class ArrowCursorTextViewOfInfobar : public ui::TextView {
 public:
  explicit ArrowCursorTextViewOfInfobar(const ui::Rect& frame = {}) : ui::TextView(frame) {}
  static std::shared_ptr<ArrowCursorTextViewOfInfobar> create(const ui::Rect& frame = {}) {
    return std::make_shared<ArrowCursorTextViewOfInfobar>(frame);
  }
  void mouseMoved(const ui::Event& event) override;
  void cursorUpdate(const ui::Event& event) override;
  void resetCursorRects() override;
};

// The line under the preview: when the selected record was copied, or from which device it came.
// Main thread only.
class Infobar : public ThemeView {
 public:
  static constexpr double kWidth = 336;
  static constexpr double kHeight = 25;

  static std::shared_ptr<Infobar> create();
  Infobar();

  void setTime(double timestamp, const std::optional<Json>& json);
  // Nothing shown: the row is no record and was never copied.
  void clearTime();
  // Relative to the clock's now: "today hh:mm:ss", "yesterday", a weekday of this week, else the date.
  static std::string timeString(double timestamp);
  // 1 Sunday ... 7 Saturday; "" for anything else.
  static std::string weekDayDesc(long weekday);

  ui::Size size() const { return {kWidth, kHeight}; }
  bool isFlow() const { return false; }
  const std::shared_ptr<ArrowCursorTextViewOfInfobar>& info() const { return info_; }
  const std::shared_ptr<SyncInfoView>& syncInfoView() const { return syncInfoView_; }

 private:
  void build();
  std::shared_ptr<ArrowCursorTextViewOfInfobar> info_;
  std::shared_ptr<SyncInfoView> syncInfoView_;
  std::shared_ptr<Line> line_;
  std::string prefix_;
};

}  // namespace vl
