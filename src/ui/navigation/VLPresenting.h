#pragma once

namespace vl {

// What presents a modal navigation (a panel or a slide): the root page's Cancel asks it to go.
class VLPresenting {
 public:
  virtual ~VLPresenting() = default;
  virtual void dismiss() = 0;
};

}  // namespace vl
