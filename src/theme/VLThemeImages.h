#pragma once

#include <string>

#include "platform/ui/graphics/Image.h"

namespace vl {

// Images that theme entries name. Only local files are read: a bundle image by name, or a "file://" URL
// or absolute path, read through the toolkit's image loader: pixels when a desktop backend installed a
// decoding one, else the size from a PNG header. nullptr (logged) when there is no such readable file.
ui::ImageRef themeImageNamed(const std::string& name);
ui::ImageRef themeImageAtURL(const std::string& url);

}  // namespace vl
