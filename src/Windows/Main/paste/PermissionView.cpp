#include "Windows/Main/paste/PermissionView.h"

#include "platform/foundation/Localization.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"

namespace vl {

std::shared_ptr<PermissionView> PermissionView::create(const ui::Rect& frame) {
  auto view = std::make_shared<PermissionView>(frame);
  auto hint = ui::TextView::create({0, 0, frame.width(), frame.height()});
  hint->setEditable(false);
  hint->setSelectable(false);
  hint->setDrawsBackground(false);
  hint->setFont(VLFont::mainFont());
  hint->setTextContainerInset({16, 16});
  setTextColorAssetKey(*hint, "fontNormalColor");
  hint->setString(localized("preview.permission.hint"));
  view->addSubview(hint);
  view->hint_ = hint;
  return view;
}

}  // namespace vl
