#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Windows/Preferences/Security/AccessibilityScrollView.h"
#include "Windows/Preferences/Security/WhitelistDataSource.h"
#include "Windows/Preferences/Security/WhitelistDelegate.h"
#include "Windows/Preferences/Security/WhitelistItem.h"
#include "platform/ui/view/View.h"
#include "ui/controls/ButtonPresets.h"

namespace vl {

// An application a person can pick: the name the lists store, the name the desktop shows and the entry.
struct InstalledApplication {
  std::string name;
  std::string title;
  std::string entryPath;
  bool operator==(const InstalledApplication&) const = default;
};

// Picks applications among the installed ones: one row each, a click marks or unmarks a row, "Add"
// hands the marked names over and "Cancel" none. It replaces the list it adds to while it is open.
class ApplicationChooser : public ui::View, public WhitelistDelegate, public WhitelistDataSource {
 public:
  static constexpr double kButtonsHeight = 40;
  // Called once, with the names in list order (empty for Cancel).
  using Done = std::function<void(const std::vector<std::string>& picked)>;

  // The desktop entries under the application folders, each name once, ordered by what the desktop
  // shows; those in `leaveOut` are not offered.
  static std::vector<InstalledApplication> installedApplications(const std::vector<std::string>& leaveOut);

  static std::shared_ptr<ApplicationChooser> create(const ui::Rect& frame,
                                                    std::vector<InstalledApplication> apps, Done done);
  ApplicationChooser(const ui::Rect& frame, std::vector<InstalledApplication> apps, Done done)
      : ui::View(frame), apps_(std::move(apps)), done_(std::move(done)) {}

  void okClick();
  void cancelClick();

  const std::vector<InstalledApplication>& applications() const { return apps_; }
  const std::vector<std::shared_ptr<WhitelistItem>>& items() const { return items_; }
  const std::shared_ptr<DefaultConfirmButton>& okButton() const { return ok_; }
  const std::shared_ptr<DefaultCancelButton>& cancelButton() const { return cancel_; }

  ui::Size sizeOfMenuItem() const override { return {frame().width(), WhitelistItem::kHeight}; }
  ui::Color menuBackgroundColor() const override { return ui::Color::clear(); }
  long numberOfWhitelistItem() const override { return static_cast<long>(apps_.size()); }
  std::shared_ptr<WhitelistItem> whitelist(long index) override;

 private:
  void build();
  void finish(const std::vector<std::string>& picked);

  std::vector<InstalledApplication> apps_;
  Done done_;
  std::vector<std::shared_ptr<WhitelistItem>> items_;
  std::shared_ptr<AccessibilityScrollView> list_;
  std::shared_ptr<DefaultConfirmButton> ok_;
  std::shared_ptr<DefaultCancelButton> cancel_;
};

// The rows of a list, stacked from the top of a document at least as tall as `scroll`, and the list
// opened at its first row.
void layOutRows(AccessibilityScrollView& scroll, ui::View& document,
                const std::vector<std::shared_ptr<WhitelistItem>>& rows, ui::Size rowSize);

}  // namespace vl
