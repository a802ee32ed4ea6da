#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"
#include "ui/controls/ButtonPresets.h"

namespace vl {

// Shown where a web page would be when pages cannot be shown here (the web view helper is missing or
// failed again): a line that says so and a button that opens the page in the browser instead.
class WebUnavailableView : public ui::View {
 public:
  static std::shared_ptr<WebUnavailableView> create(const ui::Rect& frame, std::function<std::string()> page);
  explicit WebUnavailableView(const ui::Rect& frame) : ui::View(frame) {}

  // Opens the page the owner names now; nothing for none.
  void openInBrowser();
  const std::shared_ptr<ui::TextView>& message() const { return message_; }
  const std::shared_ptr<DefaultConfirmButton>& openButton() const { return openButton_; }
  void resizeSubviewsWithOldSize(ui::Size oldSize) override;

 private:
  std::function<std::string()> page_;
  std::shared_ptr<ui::TextView> message_;
  std::shared_ptr<DefaultConfirmButton> openButton_;
};

}  // namespace vl
