#pragma once

#include <memory>
#include <string>

#include "platform/ui/controls/Button.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"

namespace vl {

// A 30-point bar with a centred title and a close button, laid along the top of the view it is appended
// to. The owner gives the close button its target and action.
class VLNavigationBar : public ui::View {
 public:
  static constexpr double kHeight = 30;
  static constexpr double kTitleHeight = 25;
  static constexpr const char* kTitleColorKey = "fontHeadColor";

  explicit VLNavigationBar(std::string title = {}) : title_(std::move(title)) {}
  static std::shared_ptr<VLNavigationBar> initWithTitle(const std::string& title);

  // Both built on first use and added as subviews.
  const std::shared_ptr<ui::TextView>& titleView();
  const std::shared_ptr<ui::Button>& closeButton();

  const std::string& title() const { return title_; }
  // Shown from the next appendTo.
  void setTitle(std::string title) { title_ = std::move(title); }

  // Adds the bar along the top of `view`, full width, and shows the title.
  void appendTo(ui::View& view);

 private:
  std::string title_;
  std::shared_ptr<ui::TextView> titleView_;
  std::shared_ptr<ui::Button> closeButton_;
};

}  // namespace vl
