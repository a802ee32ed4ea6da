#pragma once

#include <memory>
#include <vector>

#include "ui/tabbar/VLViewController.h"
#include "ui/themechooser/WindowThumbnail.h"

namespace vl {

// The theme pane: one thumbnail per loaded theme, the chosen one marked; a click stores the theme's name
// in the settings and makes it active.
class ThemeViewController : public VLViewController {
 public:
  static constexpr ui::Size kSize{650, 200};

  ThemeViewController();
  void loadView() override;
  void viewDidLoad() override;
  void loadThumbnail();
  void themeClick(WindowThumbnail& thumbnail);

  const std::vector<std::shared_ptr<WindowThumbnail>>& thumbnailList() const { return thumbnailList_; }
  void setThumbnailList(std::vector<std::shared_ptr<WindowThumbnail>> list) {
    thumbnailList_ = std::move(list);
  }

 private:
  std::vector<std::shared_ptr<WindowThumbnail>> thumbnailList_;
};

}  // namespace vl
