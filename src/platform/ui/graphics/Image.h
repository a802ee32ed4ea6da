#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/graphics/Geometry.h"

namespace vl::ui {

// An image: a size in points and, when decoded, RGBA pixels (8 bits per component, rows from the top).
// Headless code often needs only the size, so the pixels are optional.
class Image {
 public:
  Image() = default;
  explicit Image(Size size, std::string name = {}) : size_(size), name_(std::move(name)) {}
  // Pixels of pixelsWide x pixelsHigh; a buffer of the wrong length is dropped (the image keeps its size).
  Image(Size size, int pixelsWide, int pixelsHigh, std::vector<std::uint8_t> rgba, std::string name = {});

  Size size() const { return size_; }
  void setSize(Size s) { size_ = s; }
  const std::string& name() const { return name_; }
  void setName(std::string n) { name_ = std::move(n); }

  bool hasPixels() const { return !pixels_.empty(); }
  int pixelsWide() const { return pixelsWide_; }
  int pixelsHigh() const { return pixelsHigh_; }
  const std::vector<std::uint8_t>& pixels() const { return pixels_; }

  bool isValid() const { return size_.width > 0 && size_.height > 0; }

  // One of our own pictures, resources/images/<name>.png and <name>@2x.png, loaded through the installed
  // ImageLoader (ImageLoader.h): the 2x drawing on a screen of backing scale 1.5 and more, else the 1x
  // one, else whichever exists. nullptr (logged) when neither exists. Answers are kept per name.
  static std::shared_ptr<const Image> named(const std::string& name);

 private:
  Size size_;
  std::string name_;
  int pixelsWide_ = 0;
  int pixelsHigh_ = 0;
  std::vector<std::uint8_t> pixels_;
};

using ImageRef = std::shared_ptr<const Image>;

}  // namespace vl::ui
