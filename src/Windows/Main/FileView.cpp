#include "Windows/Main/FileView.h"

#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"

namespace vl {

std::shared_ptr<FileView> FileView::create(const ui::Rect& frame) {
  auto view = std::make_shared<FileView>(frame);
  auto label = ui::TextView::create({0, frame.height() / 2 - 20, frame.width(), 40});
  label->setEditable(false);
  label->setSelectable(false);
  label->setDrawsBackground(false);
  label->setFont(VLFont::mainFont());
  label->setAlignment(ui::TextAlignment::Center);
  label->setTextContainerInset({16, 0});
  setTextColorAssetKey(*label, "fontNormalColor");
  view->addSubview(label);
  view->label_ = label;
  return view;
}

void FileView::setJsonData(const std::optional<Json>& json, const std::string& context) {
  path_ = context;
  if (json && json->is_object()) {
    for (const char* key : {"file", "image", "web_image", "screenshot"}) {
      auto it = json->find(key);
      if (it != json->end() && it->is_string() && !it->get<std::string>().empty()) {
        path_ = it->get<std::string>();
        break;
      }
    }
  }
  refresh();
}

void FileView::refresh() {
  std::string shown = path_;
  if (shown.starts_with("file://")) shown = shown.substr(7);
  const auto slash = shown.find_last_of('/');
  label_->setString(slash == std::string::npos || slash + 1 == shown.size() ? shown
                                                                            : shown.substr(slash + 1));
}

}  // namespace vl
