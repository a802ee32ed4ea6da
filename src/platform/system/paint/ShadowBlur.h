#pragma once

namespace vl::paint {

// Half the width of the box that blurs a shadow of `radius` device pixels: three box passes of width
// 2 * half + 1 come close to a Gaussian of sigma radius / 2. 0: no blur.
int shadowBoxHalfWidth(double radius);
// How far the blur reaches past the shape, in device pixels.
inline int shadowSpread(double radius) { return 3 * shadowBoxHalfWidth(radius); }
// Blurs an 8-bit alpha image in place: three box passes across, then three down.
void blurAlpha(unsigned char* data, int width, int height, int stride, int halfWidth);

}  // namespace vl::paint
