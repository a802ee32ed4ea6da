#pragma once

#include <memory>

#include "snippets/SnippetsView.h"
#include "ui/tabbar/VLViewController.h"

namespace vl {

// The snippets tab: its view is the 650 x 420 page, made when first asked for.
class SnippetsViewController : public VLViewController {
 public:
  static constexpr double kWidth = 650;
  static constexpr double kHeight = 420;

  explicit SnippetsViewController(SnippetsExchange exchange = SnippetsExchange::standard())
      : exchange_(std::move(exchange)) {}

  void loadView() override;
  // The shared settings changed while the page shows; see SnippetsView::settingsChanged.
  void settingsChanged();

 private:
  SnippetsExchange exchange_;
};

}  // namespace vl
