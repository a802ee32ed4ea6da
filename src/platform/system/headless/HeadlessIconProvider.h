#pragma once

#include "platform/system/desktop/IconProvider.h"

namespace vl {

// The headless provider: no theme, no files read beyond the question whether a path is a folder.
class HeadlessIconProvider final : public IconProvider {
 public:
  ui::ImageRef iconForFile(const std::string& path, double points, int scale) const override;
  ui::ImageRef iconForApplication(const std::string& entryPath, double points, int scale) const override;
  ui::ImageRef iconNamed(const std::string& name, double points, int scale) const override;
};

}  // namespace vl
