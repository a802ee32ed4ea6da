#include "platform/ui/text/AttributedString.h"

#include <algorithm>

namespace vl::ui {

void TextAttributes::merge(const TextAttributes& over) {
  if (over.font) font = over.font;
  if (over.foregroundColor) foregroundColor = over.foregroundColor;
  if (over.foregroundColorAssetKey) foregroundColorAssetKey = over.foregroundColorAssetKey;
  if (over.backgroundColor) backgroundColor = over.backgroundColor;
  if (over.backgroundColorAssetKey) backgroundColorAssetKey = over.backgroundColorAssetKey;
  if (over.underlineStyle) underlineStyle = over.underlineStyle;
  if (over.alignment) alignment = over.alignment;
  if (over.strikethroughStyle) strikethroughStyle = over.strikethroughStyle;
  if (over.link) link = over.link;
  if (over.paragraphSpacing) paragraphSpacing = over.paragraphSpacing;
}

bool TextAttributes::empty() const { return *this == TextAttributes{}; }

AttributedString::AttributedString(std::string_view text, const TextAttributes& attributes)
    : text_(isValidUtf8(text) ? std::string(text) : sanitizeUtf8(text)), length_(utf16Length(text_)) {
  if (length_ > 0) runs_.push_back({{0, length_}, attributes});
}

Range AttributedString::normalized(Range range) const {
  std::size_t loc = range.found() ? std::min(range.location, length_) : length_;
  std::size_t len = std::min(range.length, length_ - loc);
  // The common edits (everything, the end, ASCII text) need no walk through a long text.
  if ((loc == 0 && len == length_) || loc == length_ || length_ == text_.size()) return {loc, len};
  if (len == 0) {
    // An empty range only needs its location on a character boundary.
    std::size_t b = byteOffsetOfUtf16Index(text_, loc);
    return {utf16IndexOfByteOffset(text_, b), 0};
  }
  return rangeOfByteRange(text_, byteRangeOfRange(text_, {loc, len}));
}

TextAttributes AttributedString::attributesAt(std::size_t index, Range* effectiveRange) const {
  for (const auto& r : runs_) {
    if (r.range.contains(index)) {
      if (effectiveRange) *effectiveRange = r.range;
      return r.attributes;
    }
  }
  if (effectiveRange) *effectiveRange = {};
  return {};
}

std::vector<AttributedString::Run> AttributedString::runsInRange(Range range) const {
  Range r = normalized(range);
  std::vector<Run> out;
  for (const auto& run : runs_) {
    std::size_t from = std::max(run.range.location, r.location);
    std::size_t to = std::min(run.range.end(), r.end());
    if (from < to) out.push_back({{from, to - from}, run.attributes});
  }
  return out;
}

void AttributedString::splitAt(std::size_t index) {
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    Run& run = runs_[i];
    if (index > run.range.location && index < run.range.end()) {
      Run tail{{index, run.range.end() - index}, run.attributes};
      run.range.length = index - run.range.location;
      runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(i) + 1, tail);
      return;
    }
  }
}

void AttributedString::coalesce() {
  // In place: a long text with many matches has runs of megabytes, which a second vector would copy and
  // allocate anew at every change.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    Run& run = runs_[i];
    if (run.range.length == 0) continue;
    if (kept > 0 && runs_[kept - 1].attributes == run.attributes) {
      runs_[kept - 1].range.length += run.range.length;
    } else {
      if (kept != i) runs_[kept] = std::move(run);
      ++kept;
    }
  }
  runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(kept), runs_.end());
}

template <typename Fn>
void AttributedString::modify(Range range, Fn fn) {
  Range r = normalized(range);
  if (r.length == 0) return;
  splitAt(r.location);
  splitAt(r.end());
  for (auto& run : runs_) {
    if (run.range.location >= r.location && run.range.end() <= r.end()) fn(run.attributes);
  }
  coalesce();
}

void AttributedString::setAttributes(const TextAttributes& attributes, Range range) {
  modify(range, [&](TextAttributes& a) { a = attributes; });
}

void AttributedString::setAttributes(const TextAttributes& attributes, std::vector<Range> ranges) {
  // Clamped to the text, in order, overlapping ones joined.
  std::vector<Range> list;
  list.reserve(ranges.size());
  for (Range r : ranges) {
    if (!r.found() || r.location >= length_ || r.length == 0) continue;
    list.push_back({r.location, std::min(r.length, length_ - r.location)});
  }
  std::sort(list.begin(), list.end(), [](Range a, Range b) { return a.location < b.location; });
  std::vector<Range> joined;
  for (Range r : list) {
    if (!joined.empty() && r.location <= joined.back().end()) {
      joined.back().length = std::max(joined.back().end(), r.end()) - joined.back().location;
    } else {
      joined.push_back(r);
    }
  }
  if (joined.empty()) return;
  // Whole characters: an edge inside a surrogate pair moves out to the pair's edge, in one walk.
  if (std::any_of(text_.begin(), text_.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xF0; })) {
    std::size_t unit = 0, next = 0;  // next: the edge of `joined` looked at, starts and ends in turn
    for (std::size_t b = 0; b < text_.size() && next < joined.size() * 2;) {
      const auto c = static_cast<unsigned char>(text_[b]);
      const std::size_t units = c >= 0xF0 ? 2 : 1;
      b += c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      while (next < joined.size() * 2) {
        Range& r = joined[next / 2];
        const bool start = next % 2 == 0;
        const std::size_t edge = start ? r.location : r.end();
        if (edge >= unit + units) break;
        if (edge == unit + 1 && units == 2) {
          if (start) {
            r.length += 1;
            r.location = unit;
          } else {
            r.length += 1;
          }
        }
        ++next;
      }
      unit += units;
    }
  }
  std::vector<Run> out;
  out.reserve(runs_.size() + joined.size() * 2);
  std::size_t li = 0;
  for (const Run& run : runs_) {
    for (std::size_t pos = run.range.location; pos < run.range.end();) {
      while (li < joined.size() && joined[li].end() <= pos) ++li;
      std::size_t stop;
      if (li < joined.size() && joined[li].location <= pos) {
        stop = std::min(run.range.end(), joined[li].end());
        out.push_back({{pos, stop - pos}, attributes});
      } else {
        stop = li < joined.size() ? std::min(run.range.end(), joined[li].location) : run.range.end();
        out.push_back({{pos, stop - pos}, run.attributes});
      }
      pos = stop;
    }
  }
  runs_ = std::move(out);
  coalesce();
}

void AttributedString::mapAttributes(const std::function<void(TextAttributes&)>& change) {
  for (Run& run : runs_) change(run.attributes);
  coalesce();
}

void AttributedString::addAttributes(const TextAttributes& attributes, Range range) {
  modify(range, [&](TextAttributes& a) { a.merge(attributes); });
}

void AttributedString::removeAttribute(TextAttribute attribute, Range range) {
  modify(range, [&](TextAttributes& a) {
    switch (attribute) {
      case TextAttribute::Font:
        a.font.reset();
        break;
      case TextAttribute::ForegroundColor:
        a.foregroundColor.reset();
        break;
      case TextAttribute::ForegroundColorAssetKey:
        a.foregroundColorAssetKey.reset();
        break;
      case TextAttribute::BackgroundColor:
        a.backgroundColor.reset();
        break;
      case TextAttribute::BackgroundColorAssetKey:
        a.backgroundColorAssetKey.reset();
        break;
      case TextAttribute::Underline:
        a.underlineStyle.reset();
        break;
      case TextAttribute::Alignment:
        a.alignment.reset();
        break;
      case TextAttribute::Strikethrough:
        a.strikethroughStyle.reset();
        break;
      case TextAttribute::Link:
        a.link.reset();
        break;
      case TextAttribute::ParagraphSpacing:
        a.paragraphSpacing.reset();
        break;
    }
  });
}

void AttributedString::append(const AttributedString& other) {
  // Readers build long texts piece by piece: appending touches only the new runs (and the vector grows
  // geometrically, so no exact reserve here).
  for (const auto& run : other.runs_) {
    Range range{run.range.location + length_, run.range.length};
    if (!runs_.empty() && runs_.back().attributes == run.attributes) {
      runs_.back().range.length += range.length;
    } else {
      runs_.push_back({range, run.attributes});
    }
  }
  text_ += other.text_;
  length_ += other.length_;
}

void AttributedString::append(std::string_view text, const TextAttributes& attributes) {
  append(AttributedString(text, attributes));
}

void AttributedString::replaceCharacters(Range range, std::string_view text) {
  Range r = normalized(range);
  TextAttributes attributes;
  if (r.location > 0) {
    attributes = attributesAt(r.location - 1);
  } else if (length_ > 0) {
    attributes = attributesAt(0);
  }
  replaceCharacters(r, AttributedString(text, attributes));
}

void AttributedString::replaceCharacters(Range range, const AttributedString& text) {
  Range r = normalized(range);
  ByteRange bytes = bytesOf(r);
  std::vector<Run> runs;
  runs.reserve(runs_.size() + text.runs_.size());
  for (const auto& run : runs_) {
    if (run.range.location >= r.location) break;
    std::size_t end = std::min(run.range.end(), r.location);
    runs.push_back({{run.range.location, end - run.range.location}, run.attributes});
  }
  for (const auto& run : text.runs_) {
    runs.push_back({{run.range.location + r.location, run.range.length}, run.attributes});
  }
  const std::size_t shiftedStart = r.location + text.length_;
  for (const auto& run : runs_) {
    if (run.range.end() <= r.end()) continue;
    std::size_t from = std::max(run.range.location, r.end());
    runs.push_back({{from - r.end() + shiftedStart, run.range.end() - from}, run.attributes});
  }
  text_.replace(bytes.offset, bytes.length, text.text_);
  length_ = length_ - r.length + text.length_;
  runs_ = std::move(runs);
  coalesce();
}

ByteRange AttributedString::bytesOf(Range r) const {
  if (r.location == 0 && r.length == length_) return {0, text_.size()};
  if (r.location == length_) return {text_.size(), 0};
  if (length_ == text_.size()) return {r.location, r.length};
  return byteRangeOfRange(text_, r);
}

AttributedString AttributedString::attributedSubstring(Range range) const {
  Range r = normalized(range);
  AttributedString out;
  const ByteRange bytes = bytesOf(r);
  out.text_ = text_.substr(bytes.offset, bytes.length);
  out.length_ = r.length;
  for (const auto& run : runsInRange(r)) {
    out.runs_.push_back({{run.range.location - r.location, run.range.length}, run.attributes});
  }
  return out;
}

AttributedString AttributedString::attributedSubstring(Range range, ByteRange bytes) const {
  AttributedString out;
  if (bytes.offset > text_.size()) return out;
  out.text_ = text_.substr(bytes.offset, bytes.length);
  out.length_ = range.length;
  auto it = std::upper_bound(runs_.begin(), runs_.end(), range.location,
                             [](std::size_t at, const Run& run) { return at < run.range.end(); });
  for (; it != runs_.end() && it->range.location < range.end(); ++it) {
    const std::size_t from = std::max(it->range.location, range.location);
    const std::size_t to = std::min(it->range.end(), range.end());
    if (from < to) out.runs_.push_back({{from - range.location, to - from}, it->attributes});
  }
  return out;
}

}  // namespace vl::ui
