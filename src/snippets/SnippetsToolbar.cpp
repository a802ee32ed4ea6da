#include "snippets/SnippetsToolbar.h"

#include "platform/foundation/Localization.h"

namespace vl {

std::shared_ptr<SnippetsToolbar> SnippetsToolbar::create(const ui::Rect& frame) {
  auto bar = std::make_shared<SnippetsToolbar>(frame);
  const double w = frame.width();
  const double h = frame.height();
  bar->line_ = Line::ofWidth(static_cast<int>(w), ui::Point{0, 0});
  bar->addSubview(bar->line_);
  auto field = VLTextField::create({w - 260, 5, 250, h - 10});
  field->setPlaceholder(localized("pref.snippet.hint"));
  field->setPlaceholderAssetKey("searchInputPlaceHolderColor");
  field->setFont(ui::Font::systemFont(13, ui::Font::WeightLight));
  field->setRadius(5);
  field->setBorderWidth(1);
  field->setBorderColorAssetKey("lineColor");
  field->setBorderEditColorAssetKey("accentColor");
  field->setNormalTextColorAssetKey("fontNormalColor");
  field->setEditTextColorAssetKey("fontNormalColor");
  field->setDelegate(std::static_pointer_cast<VLTextFieldDelegate>(bar));
  bar->searchTextField_ = field;
  bar->addSubview(field);
  return bar;
}

void SnippetsToolbar::textFieldDidChangeText(VLTextField&, const std::string& text) {
  if (auto d = delegate()) d->toolbarDidSearchText(*this, text);
}

}  // namespace vl
