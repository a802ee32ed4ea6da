#pragma once

#include <memory>

#include "Windows/Main/list/RowServices.h"
#include "platform/ui/view/View.h"

namespace vl {

// How much of a record's image has arrived from another device: a ring filled clockwise in the accent
// colour. Redraws when the transfer reports progress.
class TransferProgressView : public ui::View {
 public:
  explicit TransferProgressView(const ui::Rect& frame = {}) : ui::View(frame) {}

  void setEntity(std::shared_ptr<RowTransfer> transfer);
  const std::shared_ptr<RowTransfer>& entity() const { return transfer_; }
  void drawRect(const ui::Rect& dirtyRect) override;

 private:
  std::shared_ptr<RowTransfer> transfer_;
};

}  // namespace vl
