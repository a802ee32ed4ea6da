#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/apps/AppItem.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/view/View.h"
#include "ui/PassthroughTextView.h"
#include "ui/modaltable/ModalTableItem.h"

namespace vl {

class AutoPickNode;
class VLChosenView;

// The editor of a rule's value, shown by the detail page below the rule's chip. It starts from the
// node's stored value every time it is made; nothing reaches the node before save().
class AutoPickCustomValueView : public ui::View {
 public:
  static constexpr double kHeight = 245;
  static constexpr double kHeaderHeight = 35;

  using ui::View::View;
  // The editor a node's view name names; nullptr (logged) for a name that names none.
  static std::shared_ptr<AutoPickCustomValueView> ofViewName(const std::string& viewName);

  virtual ui::Size size() const { return {}; }
  // Writes the controls into the node; false when the value cannot be stored (then nothing changed).
  virtual bool preSave() { return true; }
  // preSave, then tells the tag editor to store the tab's rules. False when preSave refused.
  [[nodiscard]] bool save();

  // Told whenever the controls turn storable or not (the page greys its save button meanwhile).
  void setOnSavableChanged(std::function<void(bool)> handler) { onSavableChanged_ = std::move(handler); }

  const std::shared_ptr<AutoPickNode>& node() const { return node_; }
  void setNode(std::shared_ptr<AutoPickNode> node) { node_ = std::move(node); }
  double width() const { return width_; }
  void setWidth(double width) { width_ = width; }
  bool editable() const { return editable_; }
  void setEditable(bool editable) { editable_ = editable; }

 protected:
  std::shared_ptr<ModalTableSectionView> makeHeader(const std::string& titleKey);
  void savableChanged(bool savable) {
    if (onSavableChanged_) onSavableChanged_(savable);
  }

 private:
  std::function<void(bool)> onSavableChanged_;
  std::shared_ptr<AutoPickNode> node_;
  double width_ = 0;
  bool editable_ = false;
};

// How a typed expression fares: ICU cannot compile it (not storable), it compiles but a probe search runs
// into the match time limit (stored, with a warning: capture would count it as no match), or it is fine.
struct RegexCheck {
  enum Verdict { Empty, Valid, Invalid, Slow };
  Verdict verdict = Empty;
  std::string message;

  static RegexCheck of(const std::string& expression);
};

// A regular expression: a text field checked as the user types.
class AutoPickRegexValueView : public AutoPickCustomValueView, public ui::TextFieldDelegate {
 public:
  using AutoPickCustomValueView::AutoPickCustomValueView;
  ui::Size size() const override { return {width(), kHeight}; }
  bool preSave() override;
  void viewWillMoveToSuperview(ui::View* newSuperview) override;
  void controlTextDidChange(ui::TextField& field) override;

  const std::shared_ptr<ModalTableItem>& regexItem() const { return regexItem_; }
  const std::shared_ptr<PassthroughTextView>& statusView() const { return statusView_; }
  const RegexCheck& check() const { return check_; }

 private:
  void showCheck();

  std::shared_ptr<ModalTableSectionView> sectionView_;
  std::shared_ptr<ModalTableItem> regexItem_;
  std::shared_ptr<PassthroughTextView> statusView_;
  RegexCheck check_;
};

// The applications a copy must come from: the installed applications with their icons, checked when
// the rule names them. The value is the checked names joined by ",".
class AutoPickApplicationValueView : public AutoPickCustomValueView {
 public:
  using InstalledApplications = std::function<std::vector<AppItem>()>;

  using AutoPickCustomValueView::AutoPickCustomValueView;
  // Where the list of installed applications comes from; nullptr restores the installed-application
  // index.
  static void setInstalledApplications(InstalledApplications provider);
  static std::vector<AppItem> installedApplications();

  ui::Size size() const override { return {width(), kHeight}; }
  bool preSave() override;
  void viewWillMoveToSuperview(ui::View* newSuperview) override;
  const std::shared_ptr<VLChosenView>& chosenView() const { return chosenView_; }

 private:
  std::shared_ptr<ModalTableSectionView> sectionView_;
  std::shared_ptr<VLChosenView> chosenView_;
};

}  // namespace vl
