#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/ProgressIndicator.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/view/View.h"
#include "ui/PassthroughTextView.h"

namespace vl {

class ModalTableItem;

// A small view at the left or right of a modal table row. A click sends its action to its target while
// it is enabled. Accessories are built through create() of their kind. Main thread only.
class ModalTableItemAccessory : public ui::View {
 public:
  explicit ModalTableItemAccessory(const ui::Rect& frame = {}) : ui::View(frame) {}

  bool enabled() const { return enabled_; }
  virtual void setEnabled(bool enabled) { enabled_ = enabled; }
  void setTarget(const std::shared_ptr<ui::ActionTarget>& target) { target_ = target; }
  std::shared_ptr<ui::ActionTarget> target() const { return target_.lock(); }
  void setAction(std::string action) { action_ = std::move(action); }
  const std::string& action() const { return action_; }
  ModalTableItem* item() const { return item_; }
  // The row that holds the accessory; it outlives its accessories' use of it.
  void setItem(ModalTableItem* item) { item_ = item; }

  void mouseDown(const ui::Event& event) override;

 private:
  bool enabled_ = true;
  std::weak_ptr<ui::ActionTarget> target_;
  std::string action_;
  ModalTableItem* item_ = nullptr;
};

// A disclosure arrow: nothing of its own.
class ModalTableItemAccessoryArrow : public ModalTableItemAccessory {
 public:
  using ModalTableItemAccessory::ModalTableItemAccessory;
  static std::shared_ptr<ModalTableItemAccessoryArrow> create(const ui::Rect& frame);
};

// A text button ("add", "added") whose width follows its text; clicked shows the clicked title and
// ignores presses.
class ModalTableItemAccessoryButton : public ModalTableItemAccessory {
 public:
  using ModalTableItemAccessory::ModalTableItemAccessory;
  static std::shared_ptr<ModalTableItemAccessoryButton> create();

  void setTitle(const std::string& title);
  const std::string& title() const { return title_; }
  void setTitleClicked(const std::string& title) { titleClicked_ = title; }
  const std::optional<std::string>& titleClicked() const { return titleClicked_; }
  void setClicked(bool clicked);
  bool clicked() const { return clicked_; }
  void setTitleColorAssetKey(std::optional<std::string> key) { normalKey_ = std::move(key); }
  void setTitleHighlightedColorAssetKey(std::optional<std::string> key) { highlightedKey_ = std::move(key); }
  void setTitleClickedColorAssetKey(std::optional<std::string> key) { clickedKey_ = std::move(key); }
  const std::shared_ptr<PassthroughTextView>& titleView() const { return titleView_; }
  // The colour key the title shows now.
  std::optional<std::string> shownColorKey() const;

  void setEnabled(bool enabled) override;
  void viewDidMoveToSuperview() override;
  void mouseDown(const ui::Event& event) override;
  void mouseEntered(const ui::Event& event) override;
  void mouseExited(const ui::Event& event) override;

 private:
  void showTitle(const std::string& text, bool keepRightEdge);
  void setColorKey(const std::optional<std::string>& key);

  std::shared_ptr<PassthroughTextView> titleView_;
  std::string title_;
  std::optional<std::string> titleClicked_;
  bool clicked_ = false;
  std::optional<std::string> normalKey_, highlightedKey_, clickedKey_, disabledKey_;
};

// A check mark in the accent colour, hidden until checked.
class ModalTableItemAccessoryCheck : public ModalTableItemAccessory {
 public:
  using ModalTableItemAccessory::ModalTableItemAccessory;
  static std::shared_ptr<ModalTableItemAccessoryCheck> create();
  void setCheck(bool check);
  bool check() const { return check_; }
  const std::shared_ptr<ui::ImageView>& imageView() const { return imageView_; }

 private:
  std::shared_ptr<ui::ImageView> imageView_;
  bool check_ = false;
};

// A colour swatch (a pin tab's colour).
class ModalTableItemAccessoryColor : public ModalTableItemAccessory {
 public:
  using ModalTableItemAccessory::ModalTableItemAccessory;
  static std::shared_ptr<ModalTableItemAccessoryColor> create();
  void setColor(const ui::Color& color);

 private:
  std::shared_ptr<ui::View> colorView_;
};

// Any view; the accessory takes the view's size.
class ModalTableItemAccessoryCustomView : public ModalTableItemAccessory {
 public:
  using ModalTableItemAccessory::ModalTableItemAccessory;
  static std::shared_ptr<ModalTableItemAccessoryCustomView> create();
  void setView(const std::shared_ptr<ui::View>& view);
  const std::shared_ptr<ui::View>& view() const { return view_; }

 private:
  std::shared_ptr<ui::View> view_;
};

// An icon tinted in the accent colour.
class ModalTableItemAccessoryIcon : public ModalTableItemAccessory {
 public:
  using ModalTableItemAccessory::ModalTableItemAccessory;
  static std::shared_ptr<ModalTableItemAccessoryIcon> create();
  void setImage(ui::ImageRef image);
  const std::shared_ptr<ui::ImageView>& imageView() const { return imageView_; }

 private:
  std::shared_ptr<ui::ImageView> imageView_;
};

// A spinner, hidden and still until asked to spin.
class ModalTableItemAccessoryIndicator : public ModalTableItemAccessory {
 public:
  using ModalTableItemAccessory::ModalTableItemAccessory;
  static std::shared_ptr<ModalTableItemAccessoryIndicator> create();
  void setSpinning(bool spinning);
  const std::shared_ptr<ui::ProgressIndicator>& indicator() const { return indicator_; }

 private:
  std::shared_ptr<ui::ProgressIndicator> indicator_;
};

}  // namespace vl
