#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"
#include "platform/ui/view/View.h"

namespace vl {

// A view the preview shows in place of its text for records whose json names a view class. One
// instance per class, 336 x 269, reused for every record of that class.
class CustomView : public ui::View {
 public:
  static constexpr double kWidth = 336;
  static constexpr double kHeight = 269;
  using Factory = std::function<std::shared_ptr<CustomView>(const ui::Rect& frame)>;

  explicit CustomView(const ui::Rect& frame = {}) : ui::View(frame) {}

  // Show this record.
  virtual void setJsonData(const std::optional<Json>& /*json*/, const std::string& /*context*/) {}
  // Reload what is shown.
  virtual void refresh() {}
  virtual void setSelection(bool selection) { selection_ = selection; }
  bool selection() const { return selection_; }

  // The classes a record's json may name: the preview's own, and those that folders above this one
  // install (nullptr removes one). A name not listed here is not a view the preview can make.
  static void registerClass(const std::string& name, Factory factory);
  static bool isKnown(const std::string& name);
  static std::shared_ptr<CustomView> make(const std::string& name, const ui::Rect& frame);

 private:
  bool selection_ = true;
};

}  // namespace vl
