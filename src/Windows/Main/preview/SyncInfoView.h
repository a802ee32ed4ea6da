#pragma once

#include <memory>
#include <string>

#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"

namespace vl {

// "Synced from <device> <time>" on one line, the device name in a tag sized to its text.
class SyncInfoView : public ui::View {
 public:
  explicit SyncInfoView(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<SyncInfoView> create(const ui::Rect& frame);

  void setDeviceName(const std::string& deviceName, const std::string& timeString);
  // The whole line as shown, for whoever reads it back.
  std::string text() const;

 private:
  void build();
  std::shared_ptr<ui::TextView> lead_;
  std::shared_ptr<ui::TextView> tag_;
  std::shared_ptr<ui::TextView> time_;
};

}  // namespace vl
