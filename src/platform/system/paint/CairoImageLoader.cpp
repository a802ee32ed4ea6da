#include "platform/system/paint/CairoImageLoader.h"

#include <cairo.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl::paint {

namespace {

struct Reader {
  const std::string& bytes;
  std::size_t offset = 0;
};

cairo_status_t readBytes(void* closure, unsigned char* data, unsigned int length) {
  auto* r = static_cast<Reader*>(closure);
  if (length > r->bytes.size() - r->offset) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, r->bytes.data() + r->offset, length);
  r->offset += length;
  return CAIRO_STATUS_SUCCESS;
}

std::uint32_t be32(const std::string& b, std::size_t at) {
  auto u = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(b[i])); };
  return (u(at) << 24) | (u(at + 1) << 16) | (u(at + 2) << 8) | u(at + 3);
}

ui::ImageRef withoutPixels(double w, double h, double pixelsPerPoint, const std::string& name) {
  return std::make_shared<ui::Image>(ui::Size{w / pixelsPerPoint, h / pixelsPerPoint}, name);
}

}  // namespace

ui::ImageRef CairoImageLoader::load(const std::string& path, const std::string& name, double pixelsPerPoint) {
  if (!files::isRegularFile(path)) return nullptr;
  auto size = files::fileSize(path);
  if (!size || *size > kMaxFileBytes) {
    logWarningf("image %s: %s is larger than %zu bytes; not decoded", name.c_str(), path.c_str(),
                kMaxFileBytes);
    return withoutPixels(0, 0, 1, name);
  }
  auto bytes = files::readFile(path);
  if (!bytes) {
    logWarningf("image %s: cannot read %s", name.c_str(), path.c_str());
    return withoutPixels(0, 0, 1, name);
  }
  return decode(*bytes, path, name, pixelsPerPoint);
}

ui::ImageRef CairoImageLoader::decode(const std::string& bytes, const std::string& what,
                                      const std::string& name, double pixelsPerPoint) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (bytes.size() < 24 || std::memcmp(bytes.data(), kSignature, 8) != 0 ||
      bytes.compare(12, 4, "IHDR") != 0) {
    logWarningf("image %s: %s is not a PNG; no pixels", name.c_str(), what.c_str());
    return withoutPixels(0, 0, 1, name);
  }
  const double w = be32(bytes, 16), h = be32(bytes, 20);
  if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide || w * h > kMaxPixels) {
    logWarningf("image %s: %s claims %.0f x %.0f pixels, more than is decoded; no pixels", name.c_str(),
                what.c_str(), w, h);
    return withoutPixels(0, 0, 1, name);
  }
  Reader reader{bytes};
  cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(readBytes, &reader);
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> owner(surface, cairo_surface_destroy);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    logWarningf("image %s: %s does not decode (%s); no pixels", name.c_str(), what.c_str(),
                cairo_status_to_string(cairo_surface_status(surface)));
    return withoutPixels(w, h, pixelsPerPoint, name);
  }
  if (cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32 &&
      cairo_image_surface_get_format(surface) != CAIRO_FORMAT_RGB24) {
    // Deep formats of newer Cairo versions: brought down to 8 bits a component first.
    cairo_surface_t* eight = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface));
    cairo_t* cr = cairo_create(eight);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    owner.reset(eight);
    surface = eight;
  }
  cairo_surface_flush(surface);
  const int pw = cairo_image_surface_get_width(surface), ph = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const cairo_format_t format = cairo_image_surface_get_format(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(pw) * static_cast<std::size_t>(ph) * 4);
  for (int y = 0; y < ph; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    std::uint8_t* out = rgba.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(pw) * 4;
    for (int x = 0; x < pw; ++x, out += 4) {
      // Cairo keeps premultiplied ARGB in native-endian words (RGB24 has no alpha).
      const std::uint32_t p = row[x];
      const std::uint32_t a = format == CAIRO_FORMAT_ARGB32 ? p >> 24 : 255;
      const std::uint32_t r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
      out[0] = static_cast<std::uint8_t>(a ? (r * 255 + a / 2) / a : 0);
      out[1] = static_cast<std::uint8_t>(a ? (g * 255 + a / 2) / a : 0);
      out[2] = static_cast<std::uint8_t>(a ? (b * 255 + a / 2) / a : 0);
      out[3] = static_cast<std::uint8_t>(a);
    }
  }
  return std::make_shared<ui::Image>(ui::Size{pw / pixelsPerPoint, ph / pixelsPerPoint}, pw, ph,
                                     std::move(rgba), name);
}

}  // namespace vl::paint
