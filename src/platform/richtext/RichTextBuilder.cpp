#include "platform/richtext/RichTextBuilder.h"

#include <utility>

#include "platform/foundation/Log.h"

namespace vl::ui {

void RichTextBuilder::setAttributes(const TextAttributes& attributes) {
  if (runsCapped_ || attributes == attributes_) return;
  attributes_ = attributes;
  changed_ = true;
}

void RichTextBuilder::append(std::string_view text) {
  if (text.empty() || bytesCapped_) return;
  // Readers append a character at a time: compare attributes only after they were set anew.
  if (std::exchange(changed_, false) && !(attributes_ == pendingAttributes_)) {
    flush();
    if (runs_ >= maxRuns_) {
      // Keeping every style of a hostile text would cost a run per character.
      runsCapped_ = true;
      attributes_ = pendingAttributes_;
      logWarningf("rich text: more than %zu styled runs; the rest keeps one style", maxRuns_);
    } else {
      pendingAttributes_ = attributes_;
    }
  }
  if (size() + text.size() > maxBytes_) {
    bytesCapped_ = true;
    logWarningf("rich text: longer than %zu bytes; the rest is left out", maxBytes_);
    return;
  }
  pending_.append(text);
}

void RichTextBuilder::appendCodePoint(char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  char buf[4];
  std::size_t n;
  if (c < 0x80) {
    buf[0] = static_cast<char>(c);
    n = 1;
  } else if (c < 0x800) {
    buf[0] = static_cast<char>(0xC0 | (c >> 6));
    buf[1] = static_cast<char>(0x80 | (c & 0x3F));
    n = 2;
  } else if (c < 0x10000) {
    buf[0] = static_cast<char>(0xE0 | (c >> 12));
    buf[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    buf[2] = static_cast<char>(0x80 | (c & 0x3F));
    n = 3;
  } else {
    buf[0] = static_cast<char>(0xF0 | (c >> 18));
    buf[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    buf[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    buf[3] = static_cast<char>(0x80 | (c & 0x3F));
    n = 4;
  }
  append({buf, n});
}

char RichTextBuilder::lastByte() const { return pending_.empty() ? lastFlushed_ : pending_.back(); }

void RichTextBuilder::trimTrailingSpaces() {
  while (!pending_.empty() && pending_.back() == ' ') pending_.pop_back();
}

void RichTextBuilder::flush() {
  if (pending_.empty()) return;
  out_.append(pending_, pendingAttributes_);
  ++runs_;
  written_ += pending_.size();
  lastFlushed_ = pending_.back();
  pending_.clear();
}

AttributedString RichTextBuilder::finish() {
  flush();
  return std::move(out_);
}

}  // namespace vl::ui
