#include "platform/ui/text/Font.h"

#include <cmath>
#include <cstdio>

#include "platform/ui/text/TextEngine.h"

namespace vl::ui {

double Font::effectivePointSize() const {
  return std::isfinite(pointSize_) && pointSize_ > 0 ? pointSize_ : kDefaultPointSize;
}

double Font::ascender() const {
  if (auto engine = textEngine()) return engine->ascender(*this);
  return effectivePointSize() * 0.95;
}

double Font::descender() const {
  if (auto engine = textEngine()) return engine->descender(*this);
  return effectivePointSize() * 0.3;
}

double Font::lineHeight() const { return ascender() + descender(); }

std::string Font::description() const {
  char buf[96];
  std::snprintf(buf, sizeof buf, " %g w%g", pointSize_, weight_);
  return family_ + buf + (italic_ ? " italic" : "") + (monospacedDigits_ ? " monospaced-digits" : "");
}

}  // namespace vl::ui
