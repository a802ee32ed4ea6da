#pragma once

#include <string>

#include "platform/ui/graphics/Image.h"

namespace vl {

// Images that theme entries name. Only local files are read: a bundle image by name, or a "file://" URL
// or absolute path. The size comes from a PNG header when the file is a PNG; pixels are decoded by the
// image loading of the views that draw them. nullptr (logged) when there is no such readable file.
ui::ImageRef themeImageNamed(const std::string& name);
ui::ImageRef themeImageAtURL(const std::string& url);

}  // namespace vl
