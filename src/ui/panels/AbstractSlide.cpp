#include "ui/panels/AbstractSlide.h"

namespace vl {

AbstractSlide::AbstractSlide(const ui::Rect& frame)
    : EdgeSheet(frame, Edge::Right, "animToEndFrame", "animToOriginFrame") {}

}  // namespace vl
