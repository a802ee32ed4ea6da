#pragma once

#include <memory>
#include <string>

#include "core/keys/LocalShortcutsManager.h"
#include "ui/Line.h"
#include "ui/VLTextField.h"
#include "ui/controls/Button3.h"
#include "ui/view/ThemeView.h"

namespace vl {

// Under the info bar: the alias (snippet name) of the selected record and the delete button.
// Main thread only.
class Toolbar : public ThemeView, public VLTextFieldDelegate, public ShortcutReceiver {
 public:
  static constexpr double kWidth = 336;
  static constexpr double kHeight = 40;

  // Built and registered for the in-window shortcut names.
  static std::shared_ptr<Toolbar> create();
  Toolbar();
  ~Toolbar() override;

  bool resolvedShortcutKey(const std::string& name) override;
  void delItem();
  void textFieldDidChangeText(VLTextField& field, const std::string& text) override;

  void update();
  std::string getAlias() const;
  void setAlias(const std::string& alias);
  void clear();
  void clipboardItemAppeared(bool isClipboardItem);
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  void enableAlaisText(bool enabled);
  // Whether the row shown is a record: one that is not (the web search of the query, a tab's tip) has
  // no name to give and nothing to delete, so neither the alias field nor the delete button shows.
  void setRecordShown(bool shown);
  void resignAlaisText();
  // Return in the alias field goes back to the search input.
  bool delivered(const ui::Event& event);

  ui::Size size() const { return {kWidth, kHeight}; }
  bool isFlow() const { return false; }
  const std::shared_ptr<VLTextField>& aliasText() const { return aliasText_; }
  const std::shared_ptr<Button3>& delItemButton() const { return delItemButton_; }
  // How the last edit of the alias field was judged.

  void resizeSubviewsWithOldSize(ui::Size oldSize) override;

 private:
  void build();
  bool aliasHasKeyboard() const;
  std::shared_ptr<VLTextField> aliasText_;
  std::shared_ptr<Button3> delItemButton_;
  std::shared_ptr<Line> line_;
  bool enabled_ = true;
  bool recordShown_ = true;
};

}  // namespace vl
