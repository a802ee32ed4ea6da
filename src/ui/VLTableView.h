#pragma once

#include <memory>

#include "platform/ui/table/TableView.h"

namespace vl {

// A plain one-column table (column "display", no header, no space between rows) that can be told to
// ignore the keyboard, for lists whose keys are handled by the search field above them.
class VLTableView : public ui::TableView {
 public:
  static constexpr const char* kColumnIdentifier = "display";

  explicit VLTableView(const ui::Rect& frame = {});
  static std::shared_ptr<VLTableView> create(const ui::Rect& frame = {}) {
    return std::make_shared<VLTableView>(frame);
  }

  bool preventKeyDown() const { return preventKeyDown_; }
  void setPreventKeyDown(bool prevent) { preventKeyDown_ = prevent; }

  void keyDown(const ui::Event& event) override;

 private:
  bool preventKeyDown_ = false;
};

}  // namespace vl
