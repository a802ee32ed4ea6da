#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/view/View.h"
#include "ui/PassthroughTextView.h"

namespace vl {

// One row of an application list: the application's icon and name on a background that shows whether
// the row is selected. A click selects it; the list decides what that does to the other rows.
class WhitelistItem : public ui::View {
 public:
  static constexpr double kHeight = 30;

  // `name` is the stored name; `title` what the row shows ("" shows the name); `entryPath` the
  // desktop entry whose icon is drawn ("" draws the generic application icon).
  static std::shared_ptr<WhitelistItem> initWithTitle(const std::string& name, const std::string& title = {},
                                                      const std::string& entryPath = {});
  explicit WhitelistItem(std::string name) : ui::View(ui::Rect{}), name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  std::string title() const { return buttonAsTextView_->string(); }
  std::int32_t tagId() const { return tagId_; }
  void setTagId(std::int32_t tagId) { tagId_ = tagId; }
  void setDidSelected(std::function<void(WhitelistItem&)> block) { didSelected_ = std::move(block); }

  // The keys take effect at the next selected().
  void setBackgroundColorAssetKey(std::string key) { normalColorAssetKey_ = std::move(key); }
  void setBackgroundHighlightedColorAssetKey(std::string key) { highlightedColorAssetKey_ = std::move(key); }
  void setTitleColorAssetKey(std::string key, std::string selectedKey);

  // In a list that keeps one selected row a click on the selected row does nothing; in one that picks
  // several (toggles) it unselects it.
  void setToggles(bool toggles) { toggles_ = toggles; }
  void click();
  void selected(bool selected);
  bool isSelected() const { return selected_; }

  const std::shared_ptr<PassthroughTextView>& buttonAsTextView() const { return buttonAsTextView_; }
  const std::shared_ptr<ui::ImageView>& icon() const { return icon_; }

  void setFrame(const ui::Rect& frame) override;
  void mouseDown(const ui::Event& event) override;

 private:
  std::string name_;
  bool selected_ = false;
  bool toggles_ = false;
  std::shared_ptr<PassthroughTextView> buttonAsTextView_;
  std::shared_ptr<ui::ImageView> icon_;
  std::int32_t tagId_ = 0;
  std::function<void(WhitelistItem&)> didSelected_;
  std::string normalColorAssetKey_ = "clear";
  std::string highlightedColorAssetKey_ = "accentColor";
  std::string textColorAssetKey_ = "fontNormalColor";
  std::string selectedTextColorAssetKey_ = "white";
};

}  // namespace vl
