#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Windows/Preferences/Security/AccessibilityScrollView.h"
#include "Windows/Preferences/Security/ApplicationChooser.h"
#include "Windows/Preferences/Security/WhitelistDataSource.h"
#include "Windows/Preferences/Security/WhitelistDelegate.h"
#include "Windows/Preferences/Security/WhitelistItem.h"
#include "platform/foundation/Json.h"
#include "platform/ui/view/View.h"
#include "ui/controls/Button2.h"
#include "ui/controls/ButtonTextView.h"

namespace vl {

// The Security pane: the applications whose copies are not recorded (settings key 107, "appList"), one
// row each with its icon, a "+" that opens the chooser over the installed applications and a "-" that
// removes the selected row. Every edit is stored at once and capture reads the list at every copy, so it
// takes effect with the next copy. Main thread only.
class AccessibilityView : public ui::View, public WhitelistDelegate, public WhitelistDataSource {
 public:
  static constexpr double kWidth = 650;
  static constexpr double kHeight = 380;

  static std::shared_ptr<AccessibilityView> create(const ui::Rect& frame = {0, 0, kWidth, kHeight});
  explicit AccessibilityView(const ui::Rect& frame) : ui::View(frame) {}

  // The name an application file or desktop entry stands for on the list: its file name without a
  // trailing ".desktop" or ".app", as capture names the application in front.
  static std::string applicationNameOfPath(const std::string& path);

  // Shows the stored list again (the settings may have been changed by another process).
  void reloadSettings();
  void render();
  // Opens the chooser; the names picked there are added.
  void addClick();
  // Removes the selected row.
  void deleteClick();
  // Appends each name not yet on the list, then stores the list. Empty names are passed over.
  void addNames(const std::vector<std::string>& names);

  const std::vector<std::string>& source() const { return source_; }
  const std::vector<std::shared_ptr<WhitelistItem>>& whitelistItems() const { return whitelistItems_; }
  const std::shared_ptr<ButtonTextView>& titleView() const { return titleView_; }
  const std::shared_ptr<AccessibilityScrollView>& center() const { return center_; }
  const std::shared_ptr<ui::View>& containerView() const { return containerView_; }
  const std::shared_ptr<Button2>& addButton() const { return add_; }
  const std::shared_ptr<Button2>& deleteButton() const { return delete_; }
  // The chooser while it is open, else nullptr.
  const std::shared_ptr<ApplicationChooser>& chooser() const { return chooser_; }

  ui::Size sizeOfMenuItem() const override { return {680, WhitelistItem::kHeight}; }
  ui::Color menuBackgroundColor() const override { return ui::Color::clear(); }
  long numberOfWhitelistItem() const override { return static_cast<long>(source_.size()); }
  std::shared_ptr<WhitelistItem> whitelist(long index) override;

 private:
  void build();
  void store();
  void closeChooser(const std::vector<std::string>& picked);

  std::shared_ptr<ButtonTextView> titleView_;
  std::shared_ptr<ui::View> containerView_;
  std::shared_ptr<Button2> add_;
  std::shared_ptr<Button2> delete_;
  // The names shown, each once, in stored order.
  std::vector<std::string> source_;
  // The stored list as read, unknown entries included, with this pane's edits applied; what is stored.
  Json entries_ = Json::array();
  std::vector<std::shared_ptr<WhitelistItem>> whitelistItems_;
  std::shared_ptr<AccessibilityScrollView> center_;
  std::shared_ptr<ApplicationChooser> chooser_;
  // Held without ownership: both are this view.
  WhitelistDelegate* delegate_ = nullptr;
  WhitelistDataSource* dataSource_ = nullptr;
};

}  // namespace vl
