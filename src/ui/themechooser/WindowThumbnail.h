#pragma once

#include <memory>
#include <string>

#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"
#include "ui/Line.h"
#include "ui/view/ThemeView.h"

namespace vl {

// A transparent cover that hands every press to the view under it.
class _ClickView : public ui::View {
 public:
  using ui::View::View;
  void mouseDown(const ui::Event& event) override;
};

// A miniature of the main window drawn in one theme's colours whatever theme is active: a search field
// and two result rows. Its outer border and caption follow the active theme. A click sends its action.
// Build with initWithThemeNanme(). Main thread only.
class WindowThumbnail : public ui::View {
 public:
  static constexpr ui::Size kSize{220, 130};

  explicit WindowThumbnail(const ui::Rect& frame = {0, 0, kSize.width, kSize.height}) : ui::View(frame) {}
  static std::shared_ptr<WindowThumbnail> initWithThemeNanme(const std::string& themeName);

  const std::string& getThemeName() const { return themeName_; }
  bool selected() const { return selected_; }
  void setSelected(bool selected);
  void setTarget(const std::shared_ptr<ui::ActionTarget>& target) { target_ = target; }
  std::shared_ptr<ui::ActionTarget> target() const { return target_.lock(); }
  void setAction(std::string action) { action_ = std::move(action); }
  const std::string& action() const { return action_; }

  const std::shared_ptr<ui::TextView>& themeNameTextView() const { return themeNameTextView_; }
  const std::shared_ptr<ThemeView>& containerView() const { return containerView_; }
  const std::shared_ptr<ThemeView>& searchInput() const { return searchInput_; }
  const std::shared_ptr<ThemeView>& hintTable() const { return hintTable_; }
  const std::shared_ptr<Line>& lineView() const { return lineView_; }
  const std::shared_ptr<ui::View>& selectedRow() const { return selectedRow_; }
  const std::shared_ptr<ui::View>& unselectedRow() const { return unselectedRow_; }
  const std::shared_ptr<ui::TextView>& row1Matched() const { return row1Matched_; }
  const std::shared_ptr<ui::TextView>& row1Unmathced() const { return row1Unmathced_; }
  const std::shared_ptr<ui::TextView>& row2Matched() const { return row2Matched_; }
  const std::shared_ptr<ui::TextView>& row2Unmathced() const { return row2Unmathced_; }
  const std::shared_ptr<ui::TextView>& searchInputText() const { return searchInputText_; }
  const std::shared_ptr<_ClickView>& clickView() const { return clickView_; }

  void mouseDown(const ui::Event& event) override;

 private:
  // The key resolved in this thumbnail's own theme.
  std::string qualified(const std::string& key) const { return themeName_ + ":" + key; }
  void build();

  std::string themeName_;
  bool selected_ = false;
  std::weak_ptr<ui::ActionTarget> target_;
  std::string action_;
  std::shared_ptr<ui::TextView> themeNameTextView_;
  std::shared_ptr<ThemeView> containerView_;
  std::shared_ptr<ThemeView> searchInput_;
  std::shared_ptr<ThemeView> hintTable_;
  std::shared_ptr<Line> lineView_;
  std::shared_ptr<ui::View> selectedRow_;
  std::shared_ptr<ui::View> unselectedRow_;
  std::shared_ptr<ui::TextView> row1Matched_;
  std::shared_ptr<ui::TextView> row1Unmathced_;
  std::shared_ptr<ui::TextView> row2Matched_;
  std::shared_ptr<ui::TextView> row2Unmathced_;
  std::shared_ptr<ui::TextView> searchInputText_;
  std::shared_ptr<_ClickView> clickView_;
};

}  // namespace vl
