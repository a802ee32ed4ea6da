#pragma once

#include <cstdint>
#include <vector>

namespace vl {

// Shrinks RGBA pixels by area averaging while they arrive one row at a time, so a decoder never holds
// the full-size image: memory is one output row of accumulators per pass and the output itself. Colours
// are averaged premultiplied by alpha, so transparent pixels do not darken their neighbours. An output
// larger than the input in either direction is clamped to the input's size there.
class ImageScaler {
 public:
  ImageScaler(int sourceWide, int sourceHigh, int wide, int high);

  int wide() const { return wide_; }
  int high() const { return high_; }
  // The next row of sourceWide RGBA pixels, top to bottom.
  void addRow(const std::uint8_t* rgba);
  // The output, rows from the top; rows never added count as transparent.
  std::vector<std::uint8_t> finish();

 private:
  void emitRow();

  int sourceWide_, sourceHigh_;
  int wide_, high_;
  double ratioX_, ratioY_;
  int sourceRow_ = 0;
  int outputRow_ = 0;
  std::vector<float> line_;     // the current source row, shrunk horizontally
  std::vector<float> current_;  // the output row being built, premultiplied and weighted
  std::vector<std::uint8_t> out_;
};

}  // namespace vl
