#include "platform/ui/text/BlockLayout.h"

#include <string.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vl::ui {

namespace {

struct LineEnd {
  std::size_t at;      // where the paragraph's line end starts; the text's size when it has none
  std::size_t length;  // its bytes: "\r\n" is one line end
};

// The next line end from byte `from`: "\n", "\r", "\r\n", U+2028 or U+2029.
LineEnd nextLineEnd(const std::string& s, std::size_t from) {
  const char* base = s.data();
  const std::size_t n = s.size();
  std::size_t at = n;
  if (const void* p = std::memchr(base + from, '\n', n - from))
    at = static_cast<std::size_t>(static_cast<const char*>(p) - base);
  if (const void* p = std::memchr(base + from, '\r', at - from))
    at = static_cast<std::size_t>(static_cast<const char*>(p) - base);
  for (std::size_t k = from; k < at;) {
    const void* p = std::memchr(base + k, 0xE2, at - k);
    if (!p) break;
    const auto e = static_cast<std::size_t>(static_cast<const char*>(p) - base);
    if (e + 2 < n && static_cast<unsigned char>(s[e + 1]) == 0x80 &&
        (static_cast<unsigned char>(s[e + 2]) == 0xA8 || static_cast<unsigned char>(s[e + 2]) == 0xA9)) {
      at = e;
      break;
    }
    k = e + 1;
  }
  if (at == n) return {n, 0};
  if (s[at] == '\r') return {at, at + 1 < n && s[at + 1] == '\n' ? std::size_t{2} : std::size_t{1}};
  return {at, s[at] == '\n' ? std::size_t{1} : std::size_t{3}};
}

struct Walk {
  std::size_t byte;
  std::size_t units;
};

// From byte `b` (`u` units in), forward while the units stay within `maxUnits` and the bytes before
// `maxByte`, a run of ASCII at a time.
Walk walkUnits(const std::string& s, std::size_t b, std::size_t u, std::size_t maxUnits,
               std::size_t maxByte) {
  while (b < maxByte && u < maxUnits) {
    std::size_t stop = std::min(maxByte, b + (maxUnits - u));
    while (b + 8 <= stop) {
      std::uint64_t word;
      std::memcpy(&word, s.data() + b, 8);
      if (word & 0x8080808080808080ull) break;
      b += 8;
      u += 8;
    }
    while (b < stop && static_cast<unsigned char>(s[b]) < 0x80) {
      ++b;
      ++u;
    }
    if (b >= maxByte || u >= maxUnits) break;
    const auto c = static_cast<unsigned char>(s[b]);
    if (c < 0x80) continue;
    const std::size_t bytes = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    const std::size_t units = bytes == 4 ? 2 : 1;
    if (u + units > maxUnits || b + bytes > maxByte) break;
    b += bytes;
    u += units;
  }
  return {b, u};
}

}  // namespace

struct BlockLayout::Block {
  std::size_t unitStart = 0, unitLength = 0;
  std::size_t byteStart = 0, byteLength = 0;
  std::size_t estimatedLines = 1;
  double estimatedHeight = 0;
  bool last = false;
  std::unique_ptr<AttributedString> own;
  const AttributedString* text = nullptr;
  std::unique_ptr<TextLayout> layout;

  std::size_t lines() const { return layout ? layout->lineCount() : estimatedLines; }
  // Down to where the next block starts: a block's last line keeps the spacing of its paragraph.
  double height() const {
    if (!layout) return estimatedHeight;
    if (last || layout->lines().empty()) return layout->usedSize().height;
    const LineFragment& line = layout->lines().back();
    return line.y + line.height + line.spacingAfter;
  }
};

BlockLayout::BlockLayout(const AttributedString& text, const Font& defaultFont, double width,
                         std::size_t maximumLines, LineBreakMode mode, TextAlignment alignment)
    : text_(text),
      font_(defaultFont),
      width_(width),
      maximumLines_(maximumLines),
      mode_(mode),
      alignment_(alignment),
      length_(text.length()) {
  split();
}

BlockLayout::~BlockLayout() = default;

void BlockLayout::split() {
  const bool wraps = std::isfinite(width_) && width_ > 0 &&
                     (mode_ == LineBreakMode::WordWrapping || mode_ == LineBreakMode::CharWrapping);
  if (!wraps || maximumLines_ > 0 || length_ <= kBlockUnits) {
    auto whole = std::make_unique<Block>();
    whole->unitLength = length_;
    whole->byteLength = text_.string().size();
    whole->last = true;
    whole->text = &text_;
    blocks_.push_back(std::move(whole));
    return;
  }
  // One pass over the text: paragraph ends are found with memchr and units are counted a run of ASCII
  // at a time, so a text of megabytes is cut in a few milliseconds. The text of an AttributedString is
  // valid UTF-8.
  const std::string& s = text_.string();
  const std::size_t n = s.size();
  const double lineHeight = font_.ascender() + font_.descender();
  const double perLine = std::max(1.0, std::floor(width_ / std::max(1.0, TextMetrics::advance(U'n', font_))));
  auto linesOf = [&](std::size_t units) {
    return std::max<std::size_t>(1,
                                 static_cast<std::size_t>(std::ceil(static_cast<double>(units) / perLine)));
  };
  std::size_t blockB = 0, blockU = 0;
  std::size_t estimated = 0;  // lines of the block's whole paragraphs
  auto close = [&](std::size_t endB, std::size_t endU, std::size_t partial) {
    auto block = std::make_unique<Block>();
    block->unitStart = blockU;
    block->unitLength = endU - blockU;
    block->byteStart = blockB;
    block->byteLength = endB - blockB;
    block->estimatedLines = estimated + (partial > 0 ? linesOf(partial) : 0);
    block->estimatedHeight = static_cast<double>(block->estimatedLines) * lineHeight;
    blocks_.push_back(std::move(block));
    blockB = endB;
    blockU = endU;
    estimated = 0;
  };
  std::size_t b = 0, u = 0;
  bool endsWithLineEnd = false;
  while (b < n) {
    const LineEnd end = nextLineEnd(s, b);
    const std::size_t paragraphEnd = end.at + end.length;
    endsWithLineEnd = end.length > 0 && paragraphEnd == n;
    const std::size_t pb = b, pu = u;
    std::size_t fromU = u;  // where the part of the paragraph in the current block starts
    for (;;) {
      const std::size_t used = u - blockU;
      const std::size_t room = used >= kBlockUnits ? 0 : kBlockUnits - used;
      const Walk w = walkUnits(s, b, u, u + room, paragraphEnd);
      b = w.byte;
      u = w.units;
      if (b >= paragraphEnd) break;
      if (pu > blockU && fromU == pu) {
        // The block is full: it ends before this paragraph, which starts the next one.
        close(pb, pu, 0);
        b = pb;
        u = pu;
        continue;
      }
      // A paragraph longer than a block: cut after a word in the block's second half, else where it is.
      std::size_t cutB = b, cutU = u;
      const std::size_t half = blockB + (b - blockB) / 2;
      if (const void* space = ::memrchr(s.data() + half, ' ', b - half)) {
        cutB = static_cast<std::size_t>(static_cast<const char*>(space) - s.data()) + 1;
        cutU = u - utf16Length(std::string_view(s).substr(cutB, b - cutB));
      }
      close(cutB, cutU, cutU - fromU);
      b = cutB;
      u = cutU;
      fromU = cutU;
    }
    estimated += linesOf(u - fromU);
  }
  // A final line end leaves an empty last line.
  if (endsWithLineEnd) ++estimated;
  close(n, u, 0);
  blocks_.back()->last = true;
}

BlockLayout::Block& BlockLayout::laidOut(std::size_t index) {
  Block& block = *blocks_[index];
  if (block.layout) return block;
  const double before = block.height();
  const std::size_t linesBefore = block.lines();
  if (!block.text) {
    block.own = std::make_unique<AttributedString>(text_.attributedSubstring(
        Range{block.unitStart, block.unitLength}, ByteRange{block.byteStart, block.byteLength}));
    block.text = block.own.get();
  }
  const bool wraps = std::isfinite(width_) && width_ > 0 &&
                     (mode_ == LineBreakMode::WordWrapping || mode_ == LineBreakMode::CharWrapping);
  block.layout = std::make_unique<TextLayout>(
      *block.text, font_, width_, blocks_.size() == 1 ? maximumLines_ : 0, mode_, alignment_, block.last,
      wraps ? TextLayout::kMaxLaidOutUnits : kUnwrappedUnits);
  if (block.height() != before || block.lines() != linesBefore) {
    offsetsStale_ = true;
    if (block.height() != before) heightChanged_ = true;
  }
  return block;
}

void BlockLayout::updateOffsets() {
  if (!offsetsStale_) return;
  blockY_.assign(blocks_.size() + 1, 0);
  firstLine_.assign(blocks_.size() + 1, 0);
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    blockY_[i + 1] = blockY_[i] + blocks_[i]->height();
    firstLine_[i + 1] = firstLine_[i] + blocks_[i]->lines();
  }
  offsetsStale_ = false;
}

std::size_t BlockLayout::blockOfIndex(std::size_t index) const {
  auto it = std::upper_bound(blocks_.begin(), blocks_.end(), index,
                             [](std::size_t i, const std::unique_ptr<Block>& b) { return i < b->unitStart; });
  return it == blocks_.begin() ? 0 : static_cast<std::size_t>(it - blocks_.begin()) - 1;
}

std::size_t BlockLayout::blockAtY(double y) {
  for (;;) {
    updateOffsets();
    auto it = std::upper_bound(blockY_.begin(), blockY_.end() - 1, y);
    std::size_t k = it == blockY_.begin() ? 0 : static_cast<std::size_t>(it - blockY_.begin()) - 1;
    k = std::min(k, blocks_.size() - 1);
    if (blocks_[k]->layout) return k;
    laidOut(k);
  }
}

Size BlockLayout::usedSize() {
  if (blocks_.size() == 1) return laidOut(0).layout->usedSize();
  updateOffsets();
  double width = 0;
  for (const auto& block : blocks_)
    width = std::max(width, block->layout ? block->layout->usedSize().width : width_);
  return {width, blockY_.back()};
}

std::size_t BlockLayout::lineCount() {
  if (blocks_.size() == 1) return laidOut(0).layout->lineCount();
  updateOffsets();
  return firstLine_.back();
}

std::size_t BlockLayout::lineIndexForCharacterIndex(std::size_t index) {
  const std::size_t k = blockOfIndex(index);
  Block& block = laidOut(k);
  updateOffsets();
  return firstLine_[k] + block.layout->lineIndexForCharacterIndex(index - block.unitStart);
}

LineFragment BlockLayout::lineAt(std::size_t index) {
  const std::size_t k = blockOfIndex(index);
  Block& block = laidOut(k);
  updateOffsets();
  if (block.layout->lines().empty()) return {};
  LineFragment line =
      block.layout->lines()[block.layout->lineIndexForCharacterIndex(index - block.unitStart)];
  line.range.location += block.unitStart;
  line.y += blockY_[k];
  return line;
}

double BlockLayout::offsetOfCharacterIndex(std::size_t index) {
  Block& block = laidOut(blockOfIndex(index));
  return block.layout->offsetOfCharacterIndex(index - block.unitStart);
}

Rect BlockLayout::caretRect(std::size_t index) {
  const std::size_t k = blockOfIndex(index);
  Block& block = laidOut(k);
  updateOffsets();
  Rect caret = block.layout->caretRect(index - block.unitStart);
  caret.origin.y += blockY_[k];
  return caret;
}

std::size_t BlockLayout::characterIndexForPoint(Point p) {
  const std::size_t k = blockAtY(p.y);
  const Block& block = *blocks_[k];
  return block.unitStart + block.layout->characterIndexForPoint({p.x, p.y - blockY_[k]});
}

std::size_t BlockLayout::indexOnAdjacentLine(std::size_t index, double x, bool up) {
  const std::size_t k = blockOfIndex(index);
  Block& block = laidOut(k);
  const TextLayout& layout = *block.layout;
  const std::size_t local = index - block.unitStart;
  const std::size_t line = layout.lineIndexForCharacterIndex(local);
  const bool leaves = up ? line == 0 : line + 1 >= layout.lineCount();
  if (!leaves) return block.unitStart + layout.indexOnAdjacentLine(local, x, up);
  if (up && k == 0) return 0;
  if (!up && k + 1 == blocks_.size()) return length_;
  Block& next = laidOut(up ? k - 1 : k + 1);
  const LineFragment& target = up ? next.layout->lines().back() : next.layout->lines().front();
  return next.unitStart + next.layout->characterIndexForPoint({x, target.y + target.height / 2});
}

std::size_t BlockLayout::lineStart(std::size_t index) {
  Block& block = laidOut(blockOfIndex(index));
  return block.unitStart + block.layout->lineStart(index - block.unitStart);
}

std::size_t BlockLayout::lineEnd(std::size_t index) {
  Block& block = laidOut(blockOfIndex(index));
  return block.unitStart + block.layout->lineEnd(index - block.unitStart);
}

std::vector<BlockLayout::Line> BlockLayout::linesIn(double top, double bottom) {
  std::vector<Line> out;
  for (std::size_t k = blockAtY(std::max(0.0, top)); k < blocks_.size(); ++k) {
    Block& block = laidOut(k);
    updateOffsets();
    const double y = blockY_[k];
    if (y >= bottom && !out.empty()) break;
    const std::size_t drawnEnd = block.unitStart + block.layout->laidOutLength();
    for (const LineFragment& local : block.layout->lines()) {
      if (y + local.y + local.height <= top) continue;
      if (y + local.y >= bottom) break;
      Line line{local, 0, block.text, block.unitStart, block.layout.get(), y};
      line.fragment.range.location += block.unitStart;
      line.fragment.y += y;
      line.drawnEnd = std::min(line.fragment.range.end(), drawnEnd);
      out.push_back(line);
    }
    if (blockY_[k + 1] >= bottom) break;
  }
  return out;
}

std::size_t BlockLayout::laidOutUnits() const {
  std::size_t units = 0;
  for (const auto& block : blocks_) {
    if (block->layout) units += block->layout->laidOutLength();
  }
  return units;
}

bool BlockLayout::takeHeightChanged() {
  const bool changed = heightChanged_;
  heightChanged_ = false;
  return changed;
}

}  // namespace vl::ui
