#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vl {

// One gzip member that grows without compressing again what it already holds.
//
// The text is deflated in segments: each ends flushed to a byte boundary, and each after the first is
// compressed with the last 32 KB of text before it as its dictionary, so it compresses as well as one
// long run would. Segments laid end to end are one deflate stream; an empty final block and the
// trailer close it. What member() gives is an ordinary gzip member that any reader reads whole.
class GzipAppender {
 public:
  // The member of `text`; nothing when zlib fails or the text is empty.
  static std::optional<GzipAppender> start(std::string_view text);
  // Adds `more` to the text; false, with nothing changed, when zlib fails.
  [[nodiscard]] bool append(std::string_view more);
  // The whole member as a file holds it.
  std::string member() const;
  std::uint64_t textLength() const { return length_; }

 private:
  GzipAppender() = default;
  bool deflateSegment(std::string_view text);

  // Header and segments so far.
  std::string body_;
  std::uint32_t crc_ = 0;
  std::uint64_t length_ = 0;
  // The last 32 KB of text: the next segment's dictionary.
  std::string window_;
};

}  // namespace vl
