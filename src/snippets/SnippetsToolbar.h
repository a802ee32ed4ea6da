#pragma once

#include <memory>
#include <string>

#include "platform/ui/view/View.h"
#include "ui/Line.h"
#include "ui/VLTextField.h"

namespace vl {

class SnippetsToolbar;

// Told of every change of the search text. Held weakly.
class SnippetsToolbarDelegate {
 public:
  virtual ~SnippetsToolbarDelegate() = default;
  virtual void toolbarDidSearchText(SnippetsToolbar& /*toolbar*/, const std::string& /*text*/) {}
};

// The strip above the snippet list: a search field at its right end and a line along its bottom.
class SnippetsToolbar : public ui::View, public VLTextFieldDelegate {
 public:
  explicit SnippetsToolbar(const ui::Rect& frame) : ui::View(frame) {}
  static std::shared_ptr<SnippetsToolbar> create(const ui::Rect& frame);

  const std::shared_ptr<VLTextField>& searchTextField() const { return searchTextField_; }
  const std::shared_ptr<Line>& line() const { return line_; }
  std::shared_ptr<SnippetsToolbarDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<SnippetsToolbarDelegate>& d) { delegate_ = d; }

  void textFieldDidChangeText(VLTextField& field, const std::string& text) override;

 private:
  std::weak_ptr<SnippetsToolbarDelegate> delegate_;
  std::shared_ptr<Line> line_;
  std::shared_ptr<VLTextField> searchTextField_;
};

}  // namespace vl
