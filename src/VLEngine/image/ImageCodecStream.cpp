// Probing and streamed decoding of image files: sizes from headers, and pixels shrunk row by row as the
// file is read, so a huge image costs the time of reading it and the memory of what is shown.
#include <fcntl.h>
#include <unistd.h>

// clang-format off
#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>
#include <png.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageScaler.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

unsigned byteAt(std::string_view data, std::size_t i) { return static_cast<unsigned char>(data[i]); }

std::optional<ImageProbe> probeJpeg(std::string_view data) {
  // Markers follow the start of image; each but the few without a body says its own length.
  std::size_t at = 2;
  while (at + 4 <= data.size()) {
    if (byteAt(data, at) != 0xFF) return std::nullopt;
    const unsigned marker = byteAt(data, at + 1);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {
      at += 2;
      continue;
    }
    const std::size_t length = byteAt(data, at + 2) << 8 | byteAt(data, at + 3);
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (at + 9 > data.size()) return std::nullopt;
      const int high = static_cast<int>(byteAt(data, at + 5) << 8 | byteAt(data, at + 6));
      const int wide = static_cast<int>(byteAt(data, at + 7) << 8 | byteAt(data, at + 8));
      if (wide == 0 || high == 0) return std::nullopt;
      return ImageProbe{ImageFormat::JPEG, wide, high};
    }
    if (length < 2) return std::nullopt;
    at += 2 + length;
  }
  return std::nullopt;
}

// The size the image takes inside wide x high, never larger than it is.
std::pair<int, int> fitting(int sourceWide, int sourceHigh, int wide, int high) {
  const double scale =
      std::min({1.0, static_cast<double>(wide) / sourceWide, static_cast<double>(high) / sourceHigh});
  return {std::max(1, static_cast<int>(std::lround(sourceWide * scale))),
          std::max(1, static_cast<int>(std::lround(sourceHigh * scale)))};
}

ui::ImageRef makeImage(int wide, int high, std::vector<std::uint8_t> pixels) {
  auto image = std::make_shared<ui::Image>(ui::Size{static_cast<double>(wide), static_cast<double>(high)},
                                           wide, high, std::move(pixels));
  return image->hasPixels() ? image : nullptr;
}

// Interlaced PNGs arrive in passes over the whole image, so they cannot be shrunk as they arrive; they
// are decoded whole only when that is cheap.
constexpr long long kMaxInterlacedPixels = 16LL * 1024 * 1024;

struct PngState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  FILE* file = nullptr;
  std::vector<std::uint8_t> row;
  std::vector<std::uint8_t> whole;
  std::unique_ptr<ImageScaler> scaler;
  char message[256] = {};
  ~PngState() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (file) std::fclose(file);
  }
};

void onPngError(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message);
  png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

ui::ImageRef decodePngFile(FILE* file, int wide, int high, std::string_view what) {
  auto state = std::make_unique<PngState>();
  state->file = file;
  state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state.get(), onPngError, onPngWarning);
  if (!state->png) return nullptr;
  state->info = png_create_info_struct(state->png);
  if (!state->info) return nullptr;
  if (setjmp(png_jmpbuf(state->png))) {
    logWarningf("image: %.*s is a damaged PNG (%s)", static_cast<int>(what.size()), what.data(),
                state->message);
    return nullptr;
  }
  png_init_io(state->png, state->file);
  png_read_info(state->png, state->info);
  const long long sourceWide = png_get_image_width(state->png, state->info);
  const long long sourceHigh = png_get_image_height(state->png, state->info);
  const bool interlaced = png_get_interlace_type(state->png, state->info) != PNG_INTERLACE_NONE;
  if (sourceWide <= 0 || sourceHigh <= 0 || sourceWide * sourceHigh > ImageCodec::kMaxDecodedPixels ||
      (interlaced && sourceWide * sourceHigh > kMaxInterlacedPixels)) {
    logWarningf("image: %.*s of %lld x %lld pixels is more than a view decodes",
                static_cast<int>(what.size()), what.data(), sourceWide, sourceHigh);
    return nullptr;
  }
  // Whatever the file holds becomes 8-bit RGBA.
  png_set_expand(state->png);
  png_set_strip_16(state->png);
  png_set_gray_to_rgb(state->png);
  png_set_filler(state->png, 0xFF, PNG_FILLER_AFTER);
  const int passes = png_set_interlace_handling(state->png);
  png_read_update_info(state->png, state->info);
  const auto [outWide, outHigh] =
      fitting(static_cast<int>(sourceWide), static_cast<int>(sourceHigh), wide, high);
  state->scaler = std::make_unique<ImageScaler>(static_cast<int>(sourceWide), static_cast<int>(sourceHigh),
                                                outWide, outHigh);
  const std::size_t stride = static_cast<std::size_t>(sourceWide) * 4;
  if (passes > 1) {
    state->whole.resize(stride * static_cast<std::size_t>(sourceHigh));
    for (int pass = 0; pass < passes; ++pass) {
      for (long long y = 0; y < sourceHigh; ++y)
        png_read_row(state->png, state->whole.data() + static_cast<std::size_t>(y) * stride, nullptr);
    }
    for (long long y = 0; y < sourceHigh; ++y)
      state->scaler->addRow(state->whole.data() + static_cast<std::size_t>(y) * stride);
  } else {
    state->row.resize(stride);
    for (long long y = 0; y < sourceHigh; ++y) {
      png_read_row(state->png, state->row.data(), nullptr);
      state->scaler->addRow(state->row.data());
    }
  }
  return makeImage(state->scaler->wide(), state->scaler->high(), state->scaler->finish());
}

// libjpeg reports fatal errors through a callback that must not return; it jumps back to the decoder.
struct JpegState {
  jpeg_decompress_struct info{};
  jpeg_error_mgr error{};
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = {};
  bool created = false;
  FILE* file = nullptr;
  std::vector<std::uint8_t> row;
  std::vector<std::uint8_t> converted;
  std::unique_ptr<ImageScaler> scaler;
  ~JpegState() {
    if (created) jpeg_destroy_decompress(&info);
    if (file) std::fclose(file);
  }
};

void onJpegError(j_common_ptr info) {
  auto* state = reinterpret_cast<JpegState*>(info->client_data);
  (*info->err->format_message)(info, state->message);
  std::longjmp(state->jump, 1);
}

void onJpegMessage(j_common_ptr) {}

ui::ImageRef decodeJpegFile(FILE* file, int wide, int high, std::string_view what) {
  auto state = std::make_unique<JpegState>();
  state->file = file;
  state->info.err = jpeg_std_error(&state->error);
  state->error.error_exit = onJpegError;
  state->error.output_message = onJpegMessage;
  state->info.client_data = state.get();
  if (setjmp(state->jump)) {
    logWarningf("image: %.*s is not a readable JPEG (%s)", static_cast<int>(what.size()), what.data(),
                state->message);
    return nullptr;
  }
  jpeg_create_decompress(&state->info);
  state->created = true;
  jpeg_stdio_src(&state->info, state->file);
  jpeg_read_header(&state->info, TRUE);
  const long long sourceWide = state->info.image_width;
  const long long sourceHigh = state->info.image_height;
  const auto [outWide, outHigh] =
      fitting(static_cast<int>(sourceWide), static_cast<int>(sourceHigh), wide, high);
  // The decoder shrinks by 2, 4 or 8 itself, at a fraction of the work; the rest is averaged.
  int denominator = 8;
  while (denominator > 1 && ((sourceWide + denominator - 1) / denominator < outWide ||
                             (sourceHigh + denominator - 1) / denominator < outHigh)) {
    denominator /= 2;
  }
  state->info.scale_num = 1;
  state->info.scale_denom = static_cast<unsigned>(denominator);
  const bool cmyk = state->info.jpeg_color_space == JCS_CMYK || state->info.jpeg_color_space == JCS_YCCK;
  state->info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
  jpeg_start_decompress(&state->info);
  const long long rowWide = state->info.output_width;
  const long long rowsHigh = state->info.output_height;
  if (rowWide <= 0 || rowsHigh <= 0 || rowWide * rowsHigh > ImageCodec::kMaxDecodedPixels) {
    logWarningf("image: %.*s of %lld x %lld pixels is more than a view decodes",
                static_cast<int>(what.size()), what.data(), sourceWide, sourceHigh);
    return nullptr;
  }
  state->scaler =
      std::make_unique<ImageScaler>(static_cast<int>(rowWide), static_cast<int>(rowsHigh), outWide, outHigh);
  state->row.resize(static_cast<std::size_t>(rowWide) * 4);
  state->converted.resize(state->row.size());
  while (state->info.output_scanline < state->info.output_height) {
    JSAMPROW rows[1] = {state->row.data()};
    jpeg_read_scanlines(&state->info, rows, 1);
    if (!cmyk) {
      state->scaler->addRow(state->row.data());
      continue;
    }
    // Files of this kind store inverted CMYK.
    for (long long x = 0; x < rowWide; ++x) {
      const std::uint8_t* in = state->row.data() + x * 4;
      std::uint8_t* out = state->converted.data() + x * 4;
      const unsigned k = in[3];
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(in[c] * k / 255);
      out[3] = 255;
    }
    state->scaler->addRow(state->converted.data());
  }
  jpeg_finish_decompress(&state->info);
  return makeImage(state->scaler->wide(), state->scaler->high(), state->scaler->finish());
}

}  // namespace

std::optional<ImageProbe> ImageCodec::probe(std::string_view head) {
  switch (imageFormatForImageData(head)) {
    case ImageFormat::PNG: {
      // The header chunk comes first: its width and height follow the signature, length and name.
      if (head.size() < 24 || head.substr(12, 4) != "IHDR") return std::nullopt;
      auto be32 = [&](std::size_t i) {
        return static_cast<long long>(byteAt(head, i)) << 24 | byteAt(head, i + 1) << 16 |
               byteAt(head, i + 2) << 8 | byteAt(head, i + 3);
      };
      const long long wide = be32(16), high = be32(20);
      if (wide <= 0 || high <= 0 || wide > 0x7FFFFFFF || high > 0x7FFFFFFF) return std::nullopt;
      return ImageProbe{ImageFormat::PNG, static_cast<int>(wide), static_cast<int>(high)};
    }
    case ImageFormat::GIF: {
      if (head.size() < 10) return std::nullopt;
      const int wide = static_cast<int>(byteAt(head, 6) | byteAt(head, 7) << 8);
      const int high = static_cast<int>(byteAt(head, 8) | byteAt(head, 9) << 8);
      if (wide == 0 || high == 0) return std::nullopt;
      return ImageProbe{ImageFormat::GIF, wide, high};
    }
    case ImageFormat::JPEG:
      return probeJpeg(head);
    default:
      return std::nullopt;
  }
}

std::optional<ImageProbe> ImageCodec::probeFile(const std::string& path) {
  const std::optional<std::string> head = files::readFileHead(path, kProbeBytes);
  return head ? probe(*head) : std::nullopt;
}

ui::ImageRef ImageCodec::decodeFileFitting(const std::string& path, int wide, int high,
                                           std::string_view what) {
  if (wide <= 0 || high <= 0) return nullptr;
  struct stat st;
  const int fd = files::openRegularFile(path, &st);
  if (fd < 0) return nullptr;
  if (static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes) {
    ::close(fd);
    logWarningf("image: %.*s holds %lld bytes, more than a view decodes", static_cast<int>(what.size()),
                what.data(), static_cast<long long>(st.st_size));
    return nullptr;
  }
  char head[16] = {};
  const ssize_t got = ::pread(fd, head, sizeof head, 0);
  const ImageFormat format =
      imageFormatForImageData(std::string_view(head, got > 0 ? static_cast<std::size_t>(got) : 0));
  if (format == ImageFormat::GIF) {
    // A GIF is shown as it is, so its frames survive: only its size is read.
    ::close(fd);
    const auto probed = probeFile(path);
    if (!probed) return nullptr;
    return std::make_shared<ui::Image>(
        ui::Size{static_cast<double>(probed->wide), static_cast<double>(probed->high)});
  }
  if (format != ImageFormat::PNG && format != ImageFormat::JPEG) {
    ::close(fd);
    logWarningf("image: %.*s is of a kind that is not decoded", static_cast<int>(what.size()), what.data());
    return nullptr;
  }
  FILE* file = ::fdopen(fd, "rb");
  if (!file) {
    ::close(fd);
    return nullptr;
  }
  return format == ImageFormat::PNG ? decodePngFile(file, wide, high, what)
                                    : decodeJpegFile(file, wide, high, what);
}

}  // namespace vl
