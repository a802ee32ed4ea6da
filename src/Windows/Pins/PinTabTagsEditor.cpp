#include "Windows/Pins/PinTabTagsEditor.h"

#include "platform/foundation/Localization.h"
#include "ui/alert/Alert.h"

namespace vl {

std::shared_ptr<PinTabTagsEditor> PinTabTagsEditor::create(
    const std::shared_ptr<PinTabDetailController>& page) {
  auto self = std::make_shared<PinTabTagsEditor>();
  self->page_ = page;
  self->editor_ = AutoPickTagsEditor::create({0, 0, 0, AutoPickTagsEditor::kHeight});
  self->editor_->setDelegate(self);
  return self;
}

void PinTabTagsEditor::loadTags(const std::string& pinTabId) {
  if (auto page = page_.lock(); page && page->view()) editor_->setSlideHost(page->view());
  editor_->setPinTabId(pinTabId);
  editor_->loadTags();
}

bool PinTabTagsEditor::autoPickTagsEditorShouldDelTagView(AutoPickTagsEditor& editor,
                                                          const std::shared_ptr<AutoPickTagView>& tag) {
  auto page = page_.lock();
  ui::View* host = page ? page->getMainView().get() : nullptr;
  if (!host) {
    editor.delTagView(tag);
    return true;
  }
  std::weak_ptr<AutoPickTagsEditor> weakEditor = editor_;
  std::weak_ptr<AutoPickTagView> weakTag = tag;
  auto alert = Alert::ofTitle(
      localized("pin.autoPick.delTag.alert"),
      [weakEditor, weakTag] {
        auto e = weakEditor.lock();
        auto t = weakTag.lock();
        if (e && t) e->delTagView(t);
      },
      [] {});
  alert->showWithEscape(host);
  return true;
}

}  // namespace vl
