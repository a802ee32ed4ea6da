#include "platform/system/desktop/IconImage.h"

#include <cairo.h>
#include <fcntl.h>
#include <librsvg/rsvg.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace vl::icons {

namespace {

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

ui::Size pointsFitting(int pixelsWide, int pixelsHigh, double points) {
  if (points <= 0 || pixelsWide <= 0 || pixelsHigh <= 0) return {0, 0};
  const double side = std::max(pixelsWide, pixelsHigh);
  return {points * pixelsWide / side, points * pixelsHigh / side};
}

}  // namespace

std::optional<std::string> readSmallFile(const std::string& path, std::size_t maxBytes, std::string* error) {
  // Non-blocking, so a FIFO named like an icon cannot hold the caller.
  FdCloser file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
  if (file.fd < 0) {
    *error = std::strerror(errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = "not a regular file";
    return std::nullopt;
  }
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    *error = "larger than " + std::to_string(maxBytes) + " bytes";
    return std::nullopt;
  }
  std::string data;
  char buffer[16384];
  for (;;) {
    ssize_t n = ::read(file.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = std::strerror(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    // The file may grow after the size was read; the limit holds for what is read.
    if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
      *error = "larger than " + std::to_string(maxBytes) + " bytes";
      return std::nullopt;
    }
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

ui::ImageRef decodePng(std::string_view data, int scale, const std::string& what) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) {
    logWarningf("icon %s: not a readable PNG (%s)", what.c_str(), image.message);
    return nullptr;
  }
  // The header is all that has been read; the pixels are only allocated for a sensible size.
  if (image.width == 0 || image.height == 0 || image.width > static_cast<png_uint_32>(kMaxPngSide) ||
      image.height > static_cast<png_uint_32>(kMaxPngSide)) {
    logWarningf("icon %s: PNG of %u x %u pixels refused", what.c_str(), image.width, image.height);
    png_image_free(&image);
    return nullptr;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    logWarningf("icon %s: damaged PNG (%s)", what.c_str(), image.message);
    png_image_free(&image);
    return nullptr;
  }
  const int wide = static_cast<int>(image.width);
  const int high = static_cast<int>(image.height);
  const double s = std::max(scale, 1);
  return std::make_shared<const ui::Image>(ui::Size{wide / s, high / s}, wide, high, std::move(pixels), what);
}

ui::ImageRef renderSvg(std::string_view data, int pixels, int scale, const std::string& what) {
  if (pixels <= 0 || pixels > kMaxRenderSide) {
    logWarningf("icon %s: drawing at %d pixels refused", what.c_str(), pixels);
    return nullptr;
  }
  GError* error = nullptr;
  // From memory and without a base address, so the picture cannot pull in other files.
  RsvgHandle* handle =
      rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(data.data()), data.size(), &error);
  if (!handle) {
    logWarningf("icon %s: not a readable SVG (%s)", what.c_str(), error ? error->message : "unknown error");
    if (error) g_error_free(error);
    return nullptr;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels, pixels);
  cairo_t* cr = cairo_create(surface);
  const RsvgRectangle viewport{0, 0, static_cast<double>(pixels), static_cast<double>(pixels)};
  const bool drawn = rsvg_handle_render_document(handle, cr, &viewport, &error);
  cairo_destroy(cr);
  g_object_unref(handle);
  if (!drawn || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    logWarningf("icon %s: the SVG cannot be drawn (%s)", what.c_str(),
                error ? error->message : "cairo error");
    if (error) g_error_free(error);
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  // Cairo keeps premultiplied ARGB in native words; images hold straight RGBA bytes.
  const unsigned char* base = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(pixels) * static_cast<std::size_t>(pixels) * 4);
  for (int y = 0; y < pixels; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(base + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < pixels; ++x) {
      const std::uint32_t p = row[x];
      const unsigned a = p >> 24;
      std::uint8_t* out = &rgba[(static_cast<std::size_t>(y) * pixels + x) * 4];
      const auto straight = [a](unsigned c) {
        return static_cast<std::uint8_t>(a == 0 ? 0 : std::min(255u, (c * 255 + a / 2) / a));
      };
      out[0] = straight((p >> 16) & 0xff);
      out[1] = straight((p >> 8) & 0xff);
      out[2] = straight(p & 0xff);
      out[3] = static_cast<std::uint8_t>(a);
    }
  }
  cairo_surface_destroy(surface);
  const double s = std::max(scale, 1);
  return std::make_shared<const ui::Image>(ui::Size{pixels / s, pixels / s}, pixels, pixels, std::move(rgba),
                                           what);
}

ui::ImageRef loadIconFile(const std::string& path, double points, int scale) {
  scale = std::clamp(scale, 1, 16);
  const std::string extension = lowercase(files::pathExtension(path));
  const bool svg = extension == "svg";
  if (!svg && extension != "png") {
    logWarningf("icon %s: only PNG and SVG icons are read", path.c_str());
    return nullptr;
  }
  std::string error;
  auto data = readSmallFile(path, svg ? kMaxSvgBytes : kMaxPngBytes, &error);
  if (!data) {
    logWarningf("icon %s: cannot be read (%s)", path.c_str(), error.c_str());
    return nullptr;
  }
  if (svg) {
    const int pixels = static_cast<int>(std::clamp(points * scale + 0.5, 1.0, double(kMaxRenderSide)));
    return renderSvg(*data, pixels, scale, path);
  }
  auto image = decodePng(*data, scale, path);
  if (!image || points <= 0) return image;
  auto sized = std::make_shared<ui::Image>(*image);
  sized->setSize(pointsFitting(image->pixelsWide(), image->pixelsHigh(), points));
  return sized;
}

}  // namespace vl::icons
