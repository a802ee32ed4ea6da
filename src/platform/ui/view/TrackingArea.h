#pragma once

#include <cstdint>
#include <memory>

#include "platform/foundation/Json.h"
#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/view/Responder.h"

namespace vl::ui {

class View;

// A region of a view that reports the pointer entering, leaving and moving inside it to its owner.
class TrackingArea {
 public:
  enum Options : std::uint32_t {
    MouseEnteredAndExited = 0x01,
    MouseMoved = 0x02,
    CursorUpdate = 0x04,
    ActiveWhenFirstResponder = 0x10,
    ActiveInKeyWindow = 0x20,
    ActiveInActiveApp = 0x40,
    ActiveAlways = 0x80,
    // Starts as if the pointer were inside, so the first event outside reports an exit.
    AssumeInside = 0x100,
    // Follows the view's visible rectangle; the rect given is ignored.
    InVisibleRect = 0x200,
    EnabledDuringMouseDrag = 0x400,
  };

  // rect is in the owning view's coordinates; the owner is held weakly.
  TrackingArea(const Rect& rect, std::uint32_t options, const std::shared_ptr<Responder>& owner,
               Json userInfo = nullptr)
      : rect_(rect),
        options_(options),
        owner_(owner),
        userInfo_(std::move(userInfo)),
        inside_((options & AssumeInside) != 0) {}
  static std::shared_ptr<TrackingArea> create(const Rect& rect, std::uint32_t options,
                                              const std::shared_ptr<Responder>& owner,
                                              Json userInfo = nullptr) {
    return std::make_shared<TrackingArea>(rect, options, owner, std::move(userInfo));
  }

  const Rect& rect() const { return rect_; }
  std::uint32_t options() const { return options_; }
  std::shared_ptr<Responder> owner() const { return owner_.lock(); }
  const Json& userInfo() const { return userInfo_; }
  // The view the area was added to (nullptr when not added).
  View* view() const { return view_; }
  // Whether the pointer was inside at the last check.
  bool isInside() const { return inside_; }

 private:
  friend class View;
  friend class Window;
  Rect rect_;
  std::uint32_t options_;
  std::weak_ptr<Responder> owner_;
  Json userInfo_;
  bool inside_;
  View* view_ = nullptr;
};

}  // namespace vl::ui
