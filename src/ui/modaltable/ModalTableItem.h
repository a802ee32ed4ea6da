#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/table/TableRowView.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/view/View.h"
#include "ui/Line.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/PassthroughTextView.h"
#include "ui/modaltable/ModalTableItemAccessory.h"

namespace vl {

// One 40-point row of a grouped modal table: a title, a text field, a secure field or a custom view,
// accessories at either side, and separator lines drawn by the row's place in its group. Hovering
// highlights it; a click sends its action. Build with create(). Main thread only.
class ModalTableItem : public ui::View {
 public:
  enum Mode : std::uint64_t { Title = 0, TextInput = 1, SecureInput = 2, Custom = 3 };
  enum Style : std::uint64_t { Single = 0, First = 1, Middle = 2, Last = 3 };
  static constexpr const char* kNormalKey = "modalTableItemBackgroundColor";
  static constexpr const char* kHighlightedKey = "modalTableItemSelectedBackgroundColor";

  explicit ModalTableItem(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<ModalTableItem> create(const ui::Rect& frame = {});

  std::uint64_t mode() const { return mode_; }
  void setMode(std::uint64_t mode) { mode_ = mode; }
  std::uint64_t style() const { return style_; }
  void setStyle(std::uint64_t style) { style_ = style; }
  // Stores the style and shows its lines at once.
  void resetStyle(std::uint64_t style);
  // The style of row `row` of a group of `count` rows: its lines depend on its place in the group.
  static Style styleAt(long row, long count) {
    return count <= 1 ? Single : row == 0 ? First : row == count - 1 ? Last : Middle;
  }
  std::int64_t position() const { return position_; }
  void setPosition(std::int64_t position) { position_ = position; }

  void setTitle(const std::string& title);
  std::string title() const { return titleView_->string(); }
  // Only the field of a text or secure row takes these; other modes ignore them.
  void setPlaceholder(const std::string& placeholder);
  std::optional<std::string> text();
  void setText(const std::string& text);
  // The fields as created so far (nullptr before their first use).
  const std::shared_ptr<ui::TextField>& getTextField() const { return input_; }
  const std::shared_ptr<ui::SecureTextField>& getSecureTextField() const { return secureInput_; }
  const std::shared_ptr<ui::TextField>& input();
  const std::shared_ptr<ui::SecureTextField>& secureInput();
  void setCustomView(const std::shared_ptr<ui::View>& view);
  const std::shared_ptr<ui::View>& customView() const { return customView_; }

  void setLeftAccessory(const std::shared_ptr<ModalTableItemAccessory>& accessory);
  const std::shared_ptr<ModalTableItemAccessory>& leftAccessory() const { return leftAccessory_; }
  void setRightAccessories(const std::vector<std::shared_ptr<ModalTableItemAccessory>>& accessories);
  const std::vector<std::shared_ptr<ModalTableItemAccessory>>& rightAccessories() const {
    return rightAccessories_;
  }

  void setTitleColorAssetKey(std::optional<std::string> key) { titleColorKey_ = std::move(key); }
  void setTitleHighlightedColorAssetKey(std::optional<std::string> key) {
    titleHighlightedKey_ = std::move(key);
  }
  void setTarget(const std::shared_ptr<ui::ActionTarget>& target) { target_ = target; }
  void setAction(std::string action) { action_ = std::move(action); }

  const std::shared_ptr<PassthroughTextView>& titleView() const { return titleView_; }
  const std::shared_ptr<Line>& topLine();
  const std::shared_ptr<Line>& middleLine();
  const std::shared_ptr<Line>& bottomLine();

  void viewWillMoveToSuperview(ui::View* newSuperview) override;
  void updateTrackingAreas() override;
  void mouseEntered(const ui::Event& event) override;
  void mouseExited(const ui::Event& event) override;
  void mouseDown(const ui::Event& event) override;

 private:
  void layoutRow();
  void showBackground(const char* key, const std::optional<std::string>& titleKey, bool titleOnlyInTitleMode);
  static std::shared_ptr<Line> makeLine();

  std::uint64_t mode_ = Title;
  std::uint64_t style_ = Single;
  std::int64_t position_ = 0;
  std::shared_ptr<PassthroughTextView> titleView_;
  std::shared_ptr<ui::TextField> input_;
  std::shared_ptr<ui::SecureTextField> secureInput_;
  std::shared_ptr<ui::View> customView_;
  std::shared_ptr<ModalTableItemAccessory> leftAccessory_;
  std::vector<std::shared_ptr<ModalTableItemAccessory>> rightAccessories_;
  std::optional<std::string> titleColorKey_ = std::string("fontNormalColor");
  std::optional<std::string> titleHighlightedKey_;
  std::weak_ptr<ui::ActionTarget> target_;
  std::string action_;
  std::shared_ptr<Line> topLine_, middleLine_, bottomLine_;
  std::shared_ptr<ui::TrackingArea> hover_;
};

// Holds a row in the table.
class ModalTableRowViewWrapper : public ui::TableRowView {
 public:
  explicit ModalTableRowViewWrapper(std::shared_ptr<ModalTableItem> item) : item_(std::move(item)) {}
  static std::shared_ptr<ModalTableRowViewWrapper> box(std::shared_ptr<ModalTableItem> item) {
    return std::make_shared<ModalTableRowViewWrapper>(std::move(item));
  }
  const std::shared_ptr<ModalTableItem>& item() const { return item_; }
  void viewDidMoveToSuperview() override;

 private:
  std::shared_ptr<ModalTableItem> item_;
};

// A group's header: a small title and an accessory at its right end.
class ModalTableSectionView : public ui::View {
 public:
  explicit ModalTableSectionView(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<ModalTableSectionView> create(const ui::Rect& frame = {});
  void setTitle(const std::string& title) { titleView_->setString(title); }
  std::string title() const { return titleView_->string(); }
  void setAccessory(const std::shared_ptr<ModalTableItemAccessory>& accessory);
  const std::shared_ptr<ModalTableItemAccessory>& accessory() const { return accessory_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& titleView() const { return titleView_; }
  void viewWillMoveToSuperview(ui::View* newSuperview) override;

 private:
  void placeAccessory();
  std::shared_ptr<PassthroughAndArrowCursorTextView> titleView_;
  std::shared_ptr<ModalTableItemAccessory> accessory_;
};

}  // namespace vl
