#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/view/View.h"
#include "ui/RoundTextView.h"
#include "ui/controls/Button3.h"

namespace vl {

class AutoPickForest;
class AutoPickNode;
class AutoPickTagsEditor;

// One rule as a chip in the rule's colour. It holds the very node it was made for, so a value saved on
// that node by the detail page reaches the next forest built from the tags. A remove button covers its
// right end while the pointer is over it.
class AutoPickTagView : public RoundTextView {
 public:
  static constexpr double kHeight = 20;

  using RoundTextView::RoundTextView;
  static std::shared_ptr<AutoPickTagView> ofNode(std::shared_ptr<AutoPickNode> node);

  const std::shared_ptr<AutoPickNode>& node() const { return node_; }
  // Created (hidden) on first use.
  const std::shared_ptr<Button3>& delButton();
  void setTarget(const std::shared_ptr<ui::ActionTarget>& target, std::string action);
  void setDelTarget(const std::shared_ptr<ui::ActionTarget>& target, std::string action);

  void mouseDown(const ui::Event& event) override;
  void mouseEntered(const ui::Event& event) override;
  void mouseExited(const ui::Event& event) override;
  void updateTrackingAreas() override;
  void del();

 private:
  std::shared_ptr<AutoPickNode> node_;
  std::shared_ptr<Button3> delButton_;
  std::weak_ptr<ui::ActionTarget> target_, delTarget_;
  std::string action_, delAction_;
};

// The host that confirms a removal (the pin tab form). It calls delTagView() once the user agreed.
class AutoPickTagsEditorDelegate {
 public:
  virtual ~AutoPickTagsEditorDelegate() = default;
  // false: not handled, and the remove button does nothing.
  virtual bool autoPickTagsEditorShouldDelTagView(AutoPickTagsEditor& /*editor*/,
                                                  const std::shared_ptr<AutoPickTagView>& /*tag*/) {
    return false;
  }
};

// The strip that shows one pin tab's rules as tags: "+" opens the rule picker, a click on a tag opens
// its detail, and every change is written through to the tab's stored rules at once. While a new tab is
// being created (no identifier yet) it only keeps its tags, and the form hands the tab getForest().
//
// Embedding: create it once (kHeight high, as wide as the page), set the delegate, then on every fill
// setPinTabId() and loadTags(). The slides open on slideHost() (the superview unless set), and
// registerAutoPickSlides() must have run. Main thread only.
class AutoPickTagsEditor : public ui::View {
 public:
  static constexpr double kHeight = 100;
  static constexpr double kRowStart = 35;
  static constexpr double kGap = 5;
  static constexpr double kRowGap = 10;

  explicit AutoPickTagsEditor(const ui::Rect& frame = {});
  ~AutoPickTagsEditor() override;
  // Builds the view and subscribes to the picker's and value editors' notifications.
  static std::shared_ptr<AutoPickTagsEditor> create(const ui::Rect& frame);

  const std::string& pinTabId() const { return pinTabId_; }
  void setPinTabId(std::string pinTabId) { pinTabId_ = std::move(pinTabId); }
  void setDelegate(const std::shared_ptr<AutoPickTagsEditorDelegate>& d) { delegate_ = d; }
  ui::View* slideHost() const;
  void setSlideHost(const std::shared_ptr<ui::View>& host) { slideHost_ = host; }

  const std::shared_ptr<Button3>& addButton();
  const std::vector<std::shared_ptr<AutoPickTagView>>& tags() const { return tags_; }

  // The tags of the stored forest of the tab pinTabId(), in the forest's order.
  void loadTags();
  void clear();
  // A tag for the node unless one with the same identifier exists.
  void addNode(const std::shared_ptr<AutoPickNode>& node);
  const std::shared_ptr<AutoPickTagView>& setTagPosition(const std::shared_ptr<AutoPickTagView>& tag);
  std::shared_ptr<AutoPickTagView> findTagViewByNode(const AutoPickNode& node) const;
  std::vector<std::shared_ptr<AutoPickNode>> getNodesFromTags() const;
  std::shared_ptr<AutoPickForest> getForest() const;

  void add();
  void click(const std::shared_ptr<AutoPickTagView>& tag);
  void removeTagView(const std::shared_ptr<AutoPickTagView>& tag);
  // Removes the tag with its ancestors' tags, then writes through.
  void delTagView(const std::shared_ptr<AutoPickTagView>& tag);
  // A node from the picker joins with its ancestors, then writes through.
  void shouldAddNode(const std::shared_ptr<AutoPickNode>& node);
  void saveEditor();

 private:
  void build();
  void _delTagView(const std::shared_ptr<AutoPickTagView>& tag);
  void writeThrough();
  void placeAddButtonHome();

  std::string pinTabId_;
  std::weak_ptr<AutoPickTagsEditorDelegate> delegate_;
  std::weak_ptr<ui::View> slideHost_;
  std::shared_ptr<Button3> addButton_;
  std::vector<std::shared_ptr<AutoPickTagView>> tags_;
  std::shared_ptr<AutoPickForest> loaded_;
};

}  // namespace vl
