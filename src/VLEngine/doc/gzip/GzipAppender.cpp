#include "VLEngine/doc/gzip/GzipAppender.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace vl {

namespace {

constexpr int kRawWindowBits = -15;
constexpr std::size_t kWindowBytes = 32 * 1024;
// ID1 ID2, deflate, no flags, no time, no extra flags, Unix: what zlib writes for a gzip member.
constexpr char kHeader[] = {'\x1f', '\x8b', '\x08', '\0', '\0', '\0', '\0', '\0', '\0', '\x03'};
// An empty final block with fixed codes: what ends a stream after a flush.
constexpr char kLastBlock[] = {'\x03', '\0'};

}  // namespace

std::optional<GzipAppender> GzipAppender::start(std::string_view text) {
  if (text.empty()) return std::nullopt;
  GzipAppender appender;
  appender.body_.assign(kHeader, sizeof kHeader);
  appender.crc_ = static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0));
  if (!appender.append(text)) return std::nullopt;
  return appender;
}

bool GzipAppender::append(std::string_view more) {
  if (more.empty()) return true;
  const std::size_t before = body_.size();
  if (!deflateSegment(more)) {
    body_.resize(before);
    return false;
  }
  uLong crc = crc_;
  for (std::string_view rest = more; !rest.empty();) {
    const std::size_t part = std::min<std::size_t>(rest.size(), UINT_MAX);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(rest.data()), static_cast<uInt>(part));
    rest.remove_prefix(part);
  }
  crc_ = static_cast<std::uint32_t>(crc);
  length_ += more.size();
  if (more.size() >= kWindowBytes) {
    window_.assign(more.substr(more.size() - kWindowBytes));
  } else {
    window_.append(more);
    if (window_.size() > kWindowBytes) window_.erase(0, window_.size() - kWindowBytes);
  }
  return true;
}

bool GzipAppender::deflateSegment(std::string_view text) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kRawWindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return false;
  bool ok = window_.empty() || deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(window_.data()),
                                                    static_cast<uInt>(window_.size())) == Z_OK;
  // deflateBound covers a finished stream; a flush adds a few bytes more.
  const std::size_t bound =
      deflateBound(&stream, static_cast<uLong>(std::min<std::size_t>(text.size(), ULONG_MAX))) + 64;
  const std::size_t start = body_.size();
  body_.resize(start + bound);
  stream.next_out = reinterpret_cast<Bytef*>(body_.data() + start);
  std::size_t outLeft = bound;
  std::string_view rest = text;
  while (ok) {
    // zlib counts in 32 bits: large texts go through in slices, the last one flushed.
    const std::size_t part = std::min<std::size_t>(rest.size(), UINT_MAX);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(rest.data()));
    stream.avail_in = static_cast<uInt>(part);
    stream.avail_out = static_cast<uInt>(std::min<std::size_t>(outLeft, UINT_MAX));
    const uInt outBefore = stream.avail_out;
    const bool last = part == rest.size();
    const int status = deflate(&stream, last ? Z_SYNC_FLUSH : Z_NO_FLUSH);
    outLeft -= outBefore - stream.avail_out;
    rest.remove_prefix(part - stream.avail_in);
    ok = status == Z_OK || status == Z_BUF_ERROR;
    if (last && rest.empty() && stream.avail_out > 0) break;
    if (outLeft == 0) ok = false;
  }
  deflateEnd(&stream);
  body_.resize(start + (bound - outLeft));
  return ok;
}

std::string GzipAppender::member() const {
  std::string out;
  out.reserve(body_.size() + sizeof kLastBlock + 8);
  out.append(body_);
  out.append(kLastBlock, sizeof kLastBlock);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((crc_ >> (8 * i)) & 0xFF));
  const auto isize = static_cast<std::uint32_t>(length_);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((isize >> (8 * i)) & 0xFF));
  return out;
}

}  // namespace vl
