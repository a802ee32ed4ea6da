#include "VLEngine/doc/gzip/GzipUtility.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/foundation/Log.h"

namespace vl {

namespace {

constexpr int kGzipWriteWindowBits = 15 + 16;   // gzip wrapper
constexpr int kAutoDetectWindowBits = 15 + 32;  // gzip or zlib header
constexpr std::size_t kMinimumGrowth = 64 * 1024;
// A trailer that claims far more than text compresses to is taken for stray bytes of an older write.
constexpr std::size_t kMaxExpansion = 16;
constexpr std::size_t kMaxSizeHint = std::size_t{1} << 30;

uInt clampToUInt(std::size_t n) { return static_cast<uInt>(std::min<std::size_t>(n, UINT_MAX)); }

// The gzip trailer stores the member's length; for a one-member file (every doc written since writes
// became atomic) it sizes the output exactly, which saves the regrowth copies.
std::size_t outputSizeHint(std::string_view input) {
  std::size_t fallback = input.size() + input.size() / 2;
  if (input.size() < 18) return std::max<std::size_t>(fallback, 64);
  const auto* tail = reinterpret_cast<const unsigned char*>(input.data() + input.size() - 4);
  std::size_t isize = std::size_t{tail[0]} | std::size_t{tail[1]} << 8 | std::size_t{tail[2]} << 16 |
                      std::size_t{tail[3]} << 24;
  if (isize >= input.size() / 2 && isize <= input.size() * kMaxExpansion && isize <= kMaxSizeHint) {
    return isize + 64;
  }
  return fallback;
}

}  // namespace

std::optional<std::string> GzipUtility::gzipData(std::string_view input) {
  if (input.empty()) return std::nullopt;
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWriteWindowBits, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    return std::nullopt;
  }
  // deflateBound covers incompressible and tiny inputs, where a fixed ratio falls short.
  std::string out(deflateBound(&stream, static_cast<uLong>(input.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  std::size_t inLeft = input.size();
  std::size_t outLeft = out.size();
  int status = Z_OK;
  while (true) {
    // zlib counts in 32 bits; larger buffers go through in slices.
    stream.avail_in = clampToUInt(inLeft);
    stream.avail_out = clampToUInt(outLeft);
    const uInt inBefore = stream.avail_in;
    const uInt outBefore = stream.avail_out;
    status = deflate(&stream, inBefore == inLeft ? Z_FINISH : Z_NO_FLUSH);
    inLeft -= inBefore - stream.avail_in;
    outLeft -= outBefore - stream.avail_out;
    if (status != Z_OK || outLeft == 0) break;
  }
  std::size_t produced = out.size() - outLeft;
  deflateEnd(&stream);
  if (status != Z_STREAM_END) return std::nullopt;
  out.resize(produced);
  return out;
}

GzipUtility::Inflated GzipUtility::ungzipReadable(std::string_view input, std::size_t maxOutput) {
  Inflated result;
  if (input.empty()) {
    result.complete = true;
    return result;
  }
  z_stream stream{};
  if (inflateInit2(&stream, kAutoDetectWindowBits) != Z_OK) {
    result.error = "inflateInit2 failed";
    return result;
  }
  std::string& out = result.data;
  // One byte past the bound tells a stream that ends exactly at it from one that goes on.
  const std::size_t limit = maxOutput == SIZE_MAX ? maxOutput : maxOutput + 1;
  out.resize(std::min(outputSizeHint(input), limit));
  std::size_t produced = 0;
  bool overLimit = false;
  std::size_t inLeft = input.size();
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  int status = Z_OK;
  while (true) {
    if (produced == out.size()) {
      if (produced >= limit) {
        overLimit = true;
        break;
      }
      // Grow by at least a fixed step, and geometrically, so a highly compressed doc costs few copies.
      std::size_t step = std::max({kMinimumGrowth, input.size() / 2, out.size() / 2});
      out.resize(std::min(out.size() + step, limit));
    }
    stream.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    stream.avail_in = clampToUInt(inLeft);
    stream.avail_out = clampToUInt(out.size() - produced);
    uInt inBefore = stream.avail_in;
    uInt outBefore = stream.avail_out;
    status = inflate(&stream, Z_SYNC_FLUSH);
    inLeft -= inBefore - stream.avail_in;
    produced += outBefore - stream.avail_out;
    if (status == Z_STREAM_END) break;
    if (status == Z_OK) continue;
    // No progress possible: the output was full (grow and go on) or the input ran out (cut off).
    if (status == Z_BUF_ERROR && produced == out.size()) continue;
    if (status == Z_BUF_ERROR && inLeft > 0 && stream.avail_in == 0) continue;  // next 4 GiB slice
    break;
  }
  if (overLimit || produced > maxOutput) {
    produced = std::min(produced, maxOutput);
    result.error = "inflates to more than " + std::to_string(maxOutput) + " bytes";
    logWarningf("gzip: %zu bytes of input inflate to more than %zu bytes; stopped there", input.size(),
                maxOutput);
    inflateEnd(&stream);
  } else if (status == Z_STREAM_END) {
    result.complete = inflateEnd(&stream) == Z_OK;
    if (!result.complete) result.error = "inflateEnd failed";
    result.trailingBytes = inLeft;
  } else {
    result.error = status == Z_BUF_ERROR ? std::string("unexpected end of stream")
                                         : std::string(stream.msg ? stream.msg : "inflate failed");
    inflateEnd(&stream);
  }
  out.resize(produced);
  return result;
}

std::optional<std::string> GzipUtility::ungzipData(std::string_view input) {
  Inflated inflated = ungzipReadable(input);
  if (!inflated.complete) return std::nullopt;
  return std::move(inflated.data);
}

}  // namespace vl
