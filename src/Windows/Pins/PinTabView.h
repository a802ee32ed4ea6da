#pragma once

#include <memory>
#include <string>

#include "platform/ui/view/View.h"
#include "ui/PassthroughAndArrowCursorTextView.h"

namespace vl {

// The pin tab form's working copy of a tab: the name and colour being edited, painted as a coloured tab
// with its title. Never put on screen by the form. Main thread only.
class PinTabView : public ui::View {
 public:
  PinTabView(const std::string& name, const std::string& txtColor, const std::string& bgColor,
             const std::string& uuid);
  static std::shared_ptr<PinTabView> preview(const std::string& name, const std::string& txtColor,
                                             const std::string& bgColor);

  bool enableMenu() const { return false; }
  const std::string& uuid() const { return uuid_; }
  const std::string& name() const { return name_; }
  const std::string& txtColor() const { return txtColor_; }
  const std::string& bgColor() const { return bgColor_; }
  void setName(const std::string& name);
  void setTxtColor(const std::string& txtColor) { txtColor_ = txtColor; }
  void setBgColor(const std::string& bgColor);
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& titleView() const { return titleView_; }

 private:
  std::string uuid_;
  std::string name_;
  std::string txtColor_;
  std::string bgColor_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> titleView_;
};

}  // namespace vl
