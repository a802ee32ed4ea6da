#pragma once

#include <memory>
#include <string>

#include "Windows/AutoPick/AutoPickTagsEditor.h"
#include "Windows/Pins/PinTabDetailController.h"

namespace vl {

// The rule tags of the pin tab form: the auto-pick tag strip, with the removal of a tag confirmed by an
// alert over the form first. Its slides open over the whole form page, which is tall enough for them.
// Main thread only.
class PinTabTagsEditor : public PinTabRulesEditor,
                         public AutoPickTagsEditorDelegate,
                         public std::enable_shared_from_this<PinTabTagsEditor> {
 public:
  static std::shared_ptr<PinTabTagsEditor> create(const std::shared_ptr<PinTabDetailController>& page);

  std::shared_ptr<ui::View> view() override { return editor_; }
  void loadTags(const std::string& pinTabId) override;
  std::shared_ptr<AutoPickForest> getForest() override { return editor_->getForest(); }
  bool autoPickTagsEditorShouldDelTagView(AutoPickTagsEditor& editor,
                                          const std::shared_ptr<AutoPickTagView>& tag) override;

  const std::shared_ptr<AutoPickTagsEditor>& editor() const { return editor_; }

 private:
  std::shared_ptr<AutoPickTagsEditor> editor_;
  std::weak_ptr<PinTabDetailController> page_;
};

}  // namespace vl
