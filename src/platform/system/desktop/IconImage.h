#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/graphics/Image.h"

// Reading icon files into images. Every function answers nullptr (with a log line naming the file) for
// data that is damaged, too large or of another kind; none of them throws.
namespace vl::icons {

// Icon files beyond these are refused before they are decoded.
inline constexpr std::size_t kMaxPngBytes = 8 * 1024 * 1024;
inline constexpr std::size_t kMaxSvgBytes = 4 * 1024 * 1024;
inline constexpr int kMaxPngSide = 4096;
inline constexpr int kMaxRenderSide = 1024;

// The whole file when it is a regular file of at most maxBytes; reads no further than that, and never
// waits on a pipe or device. nullopt with *error saying why otherwise.
std::optional<std::string> readSmallFile(const std::string& path, std::size_t maxBytes, std::string* error);

// RGBA pixels as stored; the size in points is the pixel size divided by `scale`.
ui::ImageRef decodePng(std::string_view data, int scale, const std::string& what);
// Drawn to fit a square of `pixels` keeping its proportions, centred; the size in points is
// pixels / scale.
ui::ImageRef renderSvg(std::string_view data, int pixels, int scale, const std::string& what);

// A PNG or SVG file (told by its extension) for an icon of `points` at `scale`. A PNG keeps its own
// pixels and is given the size in points that fits the box; an SVG is drawn at the asked size.
ui::ImageRef loadIconFile(const std::string& path, double points, int scale);

}  // namespace vl::icons
