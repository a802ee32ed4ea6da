#pragma once

#include <memory>
#include <string>

#include "Windows/Main/CustomView.h"
#include "platform/ui/text/TextView.h"

namespace vl {

// The preview of a file or image record. For now it names the file; the picture and details follow.
class FileView : public CustomView {
 public:
  explicit FileView(const ui::Rect& frame = {}) : CustomView(frame) {}
  static std::shared_ptr<FileView> create(const ui::Rect& frame);

  void setJsonData(const std::optional<Json>& json, const std::string& context) override;
  void refresh() override;
  const std::string& path() const { return path_; }
  const std::shared_ptr<ui::TextView>& label() const { return label_; }

 private:
  std::shared_ptr<ui::TextView> label_;
  std::string path_;
};

}  // namespace vl
