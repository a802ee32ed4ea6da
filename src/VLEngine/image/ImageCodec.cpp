#include "VLEngine/image/ImageCodec.h"

// clang-format off
#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>
#include <png.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "VLEngine/image/ImageScaler.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

using Pixels = std::vector<std::uint8_t>;

bool beginsWith(std::string_view data, std::string_view signature) {
  return data.size() >= signature.size() && data.substr(0, signature.size()) == signature;
}

ui::ImageRef makeImage(int wide, int high, Pixels pixels) {
  ui::Size size{static_cast<double>(wide), static_cast<double>(high)};
  auto image = std::make_shared<ui::Image>(size, wide, high, std::move(pixels));
  if (!image->hasPixels()) return nullptr;
  return image;
}

bool tooLarge(long long wide, long long high, std::string_view what) {
  if (wide > 0 && high > 0 && wide * high <= ImageCodec::kMaxPixels) return false;
  logWarningf("image: %.*s of %lld x %lld is refused", static_cast<int>(what.size()), what.data(), wide,
              high);
  return true;
}

ui::ImageRef decodePNG(std::string_view data, std::string_view what) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) {
    logWarningf("image: %.*s is not a readable PNG (%s)", static_cast<int>(what.size()), what.data(),
                image.message);
    png_image_free(&image);
    return nullptr;
  }
  if (tooLarge(image.width, image.height, what)) {
    png_image_free(&image);
    return nullptr;
  }
  image.format = PNG_FORMAT_RGBA;
  Pixels pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    logWarningf("image: %.*s is a damaged PNG (%s)", static_cast<int>(what.size()), what.data(),
                image.message);
    png_image_free(&image);
    return nullptr;
  }
  return makeImage(static_cast<int>(image.width), static_cast<int>(image.height), std::move(pixels));
}

// libjpeg reports fatal errors through a callback that must not return; it jumps back to the decoder.
struct JpegError {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

void onJpegMessage(j_common_ptr) {}

// Everything the decoder changes after setjmp lives here, on the heap, so a jump back leaves no local
// in an unknown state.
struct JpegState {
  jpeg_decompress_struct info{};
  JpegError error{};
  Pixels pixels;
  Pixels row;
  bool created = false;
};

ui::ImageRef decodeJPEG(std::string_view data, std::string_view what) {
  auto state = std::make_unique<JpegState>();
  state->info.err = jpeg_std_error(&state->error.base);
  state->error.base.error_exit = onJpegError;
  state->error.base.output_message = onJpegMessage;
  if (setjmp(state->error.jump)) {
    logWarningf("image: %.*s is not a readable JPEG (%s)", static_cast<int>(what.size()), what.data(),
                state->error.message);
    if (state->created) jpeg_destroy_decompress(&state->info);
    return nullptr;
  }
  jpeg_create_decompress(&state->info);
  state->created = true;
  jpeg_mem_src(&state->info, reinterpret_cast<const unsigned char*>(data.data()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&state->info, TRUE);
  const bool cmyk = state->info.jpeg_color_space == JCS_CMYK || state->info.jpeg_color_space == JCS_YCCK;
  state->info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
  jpeg_start_decompress(&state->info);
  const long long wide = state->info.output_width;
  const long long high = state->info.output_height;
  if (tooLarge(wide, high, what)) {
    jpeg_destroy_decompress(&state->info);
    return nullptr;
  }
  state->pixels.resize(static_cast<std::size_t>(wide * high * 4));
  state->row.resize(static_cast<std::size_t>(wide * 4));
  while (state->info.output_scanline < state->info.output_height) {
    const std::size_t y = state->info.output_scanline;
    std::uint8_t* target = state->pixels.data() + y * static_cast<std::size_t>(wide) * 4;
    JSAMPROW rows[1] = {cmyk ? state->row.data() : target};
    jpeg_read_scanlines(&state->info, rows, 1);
    if (!cmyk) continue;
    // Files of this kind store inverted CMYK.
    for (long long x = 0; x < wide; ++x) {
      const std::uint8_t* in = state->row.data() + x * 4;
      std::uint8_t* out = target + x * 4;
      const unsigned k = in[3];
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(in[c] * k / 255);
      out[3] = 255;
    }
  }
  jpeg_finish_decompress(&state->info);
  jpeg_destroy_decompress(&state->info);
  return makeImage(static_cast<int>(wide), static_cast<int>(high), std::move(state->pixels));
}

ui::ImageRef decodeGIFSize(std::string_view data, std::string_view what) {
  if (data.size() < 10) {
    logWarningf("image: %.*s is a cut-off GIF", static_cast<int>(what.size()), what.data());
    return nullptr;
  }
  auto byte = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(data[i])); };
  const unsigned wide = byte(6) | (byte(7) << 8);
  const unsigned high = byte(8) | (byte(9) << 8);
  if (wide == 0 || high == 0) {
    logWarningf("image: %.*s is a GIF without a size", static_cast<int>(what.size()), what.data());
    return nullptr;
  }
  return std::make_shared<ui::Image>(ui::Size{static_cast<double>(wide), static_cast<double>(high)});
}

}  // namespace

ImageFormat ImageCodec::imageFormatForImageData(std::string_view data) {
  if (beginsWith(data, "\xFF\xD8\xFF")) return ImageFormat::JPEG;
  if (beginsWith(data, "\x89PNG\r\n\x1A\n")) return ImageFormat::PNG;
  if (beginsWith(data, "GIF87a") || beginsWith(data, "GIF89a")) return ImageFormat::GIF;
  if (beginsWith(data, std::string_view("II*\0", 4)) || beginsWith(data, std::string_view("MM\0*", 4))) {
    return ImageFormat::TIFF;
  }
  if (data.size() >= 12 && beginsWith(data, "RIFF") && data.substr(8, 4) == "WEBP") return ImageFormat::WebP;
  return ImageFormat::Undefined;
}

ui::ImageRef ImageCodec::decode(std::string_view data, std::string_view what) {
  switch (imageFormatForImageData(data)) {
    case ImageFormat::PNG:
      return decodePNG(data, what);
    case ImageFormat::JPEG:
      return decodeJPEG(data, what);
    case ImageFormat::GIF:
      return decodeGIFSize(data, what);
    default:
      logWarningf("image: %.*s is of a kind that is not decoded", static_cast<int>(what.size()), what.data());
      return nullptr;
  }
}

ui::ImageRef ImageCodec::imageWithContentsOfFile(const std::string& path) {
  std::optional<std::string> data = files::readFile(path, kMaxFileBytes);
  if (!data) {
    if (files::exists(path))
      logWarningf("image: %s is not a regular file of at most %llu bytes", path.c_str(),
                  static_cast<unsigned long long>(kMaxFileBytes));
    return nullptr;
  }
  return decode(*data, path);
}

std::optional<std::string> ImageCodec::encodePNG(const ui::Image& source) {
  if (!source.hasPixels()) return std::nullopt;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(source.pixelsWide());
  image.height = static_cast<png_uint_32>(source.pixelsHigh());
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, source.pixels().data(), 0, nullptr)) {
    logErrorf("image: cannot encode a PNG (%s)", image.message);
    return std::nullopt;
  }
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, source.pixels().data(), 0, nullptr)) {
    logErrorf("image: cannot encode a PNG (%s)", image.message);
    return std::nullopt;
  }
  out.resize(size);
  return out;
}

ui::ImageRef ImageCodec::resizedImage(const ui::ImageRef& image, double width, double height) {
  if (!image || !image->isValid() || !(width > 0) || !(height > 0)) return image;
  const ui::Size size = image->size();
  const double scale = std::min(width / size.width, height / size.height);
  const int wide = std::max(1, static_cast<int>(std::lround(size.width * scale)));
  const int high = std::max(1, static_cast<int>(std::lround(size.height * scale)));
  if (!image->hasPixels()) {
    auto copy = std::make_shared<ui::Image>(*image);
    copy->setSize({static_cast<double>(wide), static_cast<double>(high)});
    return copy;
  }
  if (wide == image->pixelsWide() && high == image->pixelsHigh()) return image;
  return scaledImage(*image, wide, high);
}

namespace {

// One pass of area averaging: `count` lines of `from` RGBA samples each (contiguous) become lines of
// `to` samples. Colours arrive premultiplied by alpha so transparent pixels do not darken their
// neighbours.
void resampleLines(const std::vector<float>& in, std::vector<float>& out, int from, int to, int count) {
  const double ratio = static_cast<double>(from) / to;
  for (int line = 0; line < count; ++line) {
    const float* source = &in[static_cast<std::size_t>(line) * from * 4];
    float* target = &out[static_cast<std::size_t>(line) * to * 4];
    for (int i = 0; i < to; ++i) {
      double start = i * ratio;
      double end = start + ratio;
      if (ratio < 1) {  // growing: one source pixel wide around the centre
        start = std::clamp((i + 0.5) * ratio - 0.5, 0.0, from - 1.0);
        end = start + 1;
      }
      double acc[4] = {0, 0, 0, 0};
      double total = 0;
      for (int s = static_cast<int>(start); s < from && s < end; ++s) {
        const double weight = std::min<double>(s + 1, end) - std::max<double>(s, start);
        if (weight <= 0) continue;
        for (int c = 0; c < 4; ++c) acc[c] += source[s * 4 + c] * weight;
        total += weight;
      }
      for (int c = 0; c < 4; ++c) target[i * 4 + c] = total > 0 ? static_cast<float>(acc[c] / total) : 0;
    }
  }
}

// Rows become columns, so the second pass runs over contiguous lines too.
std::vector<float> transpose(const std::vector<float>& in, int wide, int high) {
  std::vector<float> out(in.size());
  for (int y = 0; y < high; ++y) {
    for (int x = 0; x < wide; ++x) {
      std::copy_n(&in[(static_cast<std::size_t>(y) * wide + x) * 4], 4,
                  &out[(static_cast<std::size_t>(x) * high + y) * 4]);
    }
  }
  return out;
}

}  // namespace

ui::ImageRef ImageCodec::scaledImage(const ui::Image& image, int wide, int high) {
  if (!image.hasPixels() || wide <= 0 || high <= 0 || tooLarge(wide, high, "a resized image")) return nullptr;
  const int srcWide = image.pixelsWide();
  const int srcHigh = image.pixelsHigh();
  const Pixels& src = image.pixels();
  if (wide <= srcWide && high <= srcHigh) {
    // Shrinking, the common case, goes row by row: no copy of the source in any other form.
    ImageScaler scaler(srcWide, srcHigh, wide, high);
    for (int y = 0; y < srcHigh; ++y) scaler.addRow(src.data() + static_cast<std::size_t>(y) * srcWide * 4);
    return makeImage(wide, high, scaler.finish());
  }
  // Premultiplied floats, rows of srcWide.
  std::vector<float> pre(static_cast<std::size_t>(srcWide) * srcHigh * 4);
  for (std::size_t i = 0; i < pre.size(); i += 4) {
    const float alpha = src[i + 3] / 255.0f;
    for (int c = 0; c < 3; ++c) pre[i + c] = src[i + c] * alpha;
    pre[i + 3] = src[i + 3];
  }
  std::vector<float> rows(static_cast<std::size_t>(wide) * srcHigh * 4);
  resampleLines(pre, rows, srcWide, wide, srcHigh);
  std::vector<float> columns = transpose(rows, wide, srcHigh);
  std::vector<float> scaled(static_cast<std::size_t>(wide) * high * 4);
  resampleLines(columns, scaled, srcHigh, high, wide);
  std::vector<float> cols = transpose(scaled, high, wide);
  Pixels out(cols.size());
  for (std::size_t i = 0; i < cols.size(); i += 4) {
    const float alpha = cols[i + 3];
    for (int c = 0; c < 3; ++c) {
      const float value = alpha > 0 ? cols[i + c] * 255.0f / alpha : 0;
      out[i + c] = static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
    }
    out[i + 3] = static_cast<std::uint8_t>(std::clamp(std::lround(alpha), 0L, 255L));
  }
  return makeImage(wide, high, std::move(out));
}

}  // namespace vl
