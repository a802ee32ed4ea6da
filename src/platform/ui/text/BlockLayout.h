#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/TextMetrics.h"

namespace vl::ui {

// A text view's layout, made a block at a time. A wrapping text longer than kBlockUnits is cut into
// blocks of whole paragraphs (a longer paragraph into pieces of at most kBlockUnits, each starting a new
// line), and a block is laid out (TextLayout) only when something asks about it; drawing asks only about
// what is visible. A block not laid out counts with an estimate of its height and lines; laying it out
// replaces the estimate and moves the blocks below (takeHeightChanged tells). Any other text is one block,
// laid out at once exactly as TextLayout lays it out.
//
// Indexes are UTF-16 units of the whole text and y grows down from its top, as in TextLayout. The text
// must outlive the layout and stay unchanged while it lives.
class BlockLayout {
 public:
  static constexpr std::size_t kBlockUnits = 8192;
  // What a text that does not wrap lays out (a one-line field holding a pasted page): far more than a
  // line ever shows.
  static constexpr std::size_t kUnwrappedUnits = 4096;

  BlockLayout(const AttributedString& text, const Font& defaultFont, double width, std::size_t maximumLines,
              LineBreakMode mode, TextAlignment alignment);
  ~BlockLayout();
  BlockLayout(const BlockLayout&) = delete;
  BlockLayout& operator=(const BlockLayout&) = delete;

  std::size_t length() const { return length_; }
  std::size_t blockCount() const { return blocks_.size(); }
  // The units that went through TextLayout so far: what the layout has cost.
  std::size_t laidOutUnits() const;
  // Lines of the whole text, estimated for the blocks not laid out yet.
  std::size_t lineCount();
  // The widest line and the height of all lines, estimated for the blocks not laid out yet.
  Size usedSize();
  std::size_t lineIndexForCharacterIndex(std::size_t index);
  // The line holding the index, in whole-text units and y.
  LineFragment lineAt(std::size_t index);
  double offsetOfCharacterIndex(std::size_t index);
  Rect caretRect(std::size_t index);
  std::size_t characterIndexForPoint(Point p);
  std::size_t indexOnAdjacentLine(std::size_t index, double x, bool up);
  std::size_t lineStart(std::size_t index);
  std::size_t lineEnd(std::size_t index);

  // A line as a view draws it.
  struct Line {
    LineFragment fragment;         // whole-text units and y
    std::size_t drawnEnd = 0;      // where the laid-out part of the line ends (whole-text units)
    const AttributedString* text;  // the text of the line's block
    std::size_t textStart = 0;     // where that text starts in the whole text
    const TextLayout* layout;      // the block's layout, in its own units and y
    double blockY = 0;             // where the block starts
  };
  // The lines that meet the band from `top` to `bottom`, in order, laying out the blocks they lie in.
  std::vector<Line> linesIn(double top, double bottom);
  // Whether the height changed since the last call because blocks were laid out.
  bool takeHeightChanged();

 private:
  struct Block;
  Block& laidOut(std::size_t block);
  std::size_t blockOfIndex(std::size_t index) const;
  // The block at y, laid out (laying blocks out moves the ones below, so it looks again until stable).
  std::size_t blockAtY(double y);
  void updateOffsets();
  void split();

  const AttributedString& text_;
  Font font_;
  double width_;
  std::size_t maximumLines_;
  LineBreakMode mode_;
  TextAlignment alignment_;
  std::size_t length_;
  std::vector<std::unique_ptr<Block>> blocks_;
  // blockY_[i] and firstLine_[i]: where block i starts; one more entry for the end.
  std::vector<double> blockY_;
  std::vector<std::size_t> firstLine_;
  bool offsetsStale_ = true;
  bool heightChanged_ = false;
};

}  // namespace vl::ui
