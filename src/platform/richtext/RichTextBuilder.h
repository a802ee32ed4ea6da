#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/ui/text/AttributedString.h"

namespace vl::ui {

// Collects the text a rich text reader finds into an AttributedString, one run per change of attributes.
// Its size is bounded while it grows: past maxRuns the attributes stop changing (the rest of the text keeps
// the last ones), past maxBytes text is dropped; each limit is logged once.
class RichTextBuilder {
 public:
  static constexpr std::size_t kDefaultMaxRuns = 100000;

  explicit RichTextBuilder(std::size_t maxBytes, std::size_t maxRuns = kDefaultMaxRuns)
      : maxBytes_(maxBytes), maxRuns_(maxRuns) {}

  // The attributes of text appended from now on.
  void setAttributes(const TextAttributes& attributes);
  const TextAttributes& attributes() const { return attributes_; }
  // UTF-8 text; invalid bytes become U+FFFD.
  void append(std::string_view text);
  void appendCodePoint(char32_t c);
  // The last byte written, 0 before any.
  char lastByte() const;
  bool atLineStart() const { return lastByte() == 0 || lastByte() == '\n'; }
  // Drops trailing spaces of the text not yet flushed (before a line end).
  void trimTrailingSpaces();
  std::size_t size() const { return written_ + pending_.size(); }
  AttributedString finish();

 private:
  void flush();

  std::size_t maxBytes_;
  std::size_t maxRuns_;
  AttributedString out_;
  std::string pending_;
  TextAttributes attributes_;
  TextAttributes pendingAttributes_;
  std::size_t runs_ = 0;
  std::size_t written_ = 0;
  char lastFlushed_ = 0;
  bool changed_ = false;
  bool runsCapped_ = false;
  bool bytesCapped_ = false;
};

}  // namespace vl::ui
