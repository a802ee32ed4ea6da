#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/graphics/Geometry.h"

namespace vl::ui {

class TrackingArea;
class View;
class Window;

// Event types keep the numbers stored masks use (a key-down and flags-changed monitor is mask 5120).
enum class EventType : int {
  LeftMouseDown = 1,
  LeftMouseUp = 2,
  RightMouseDown = 3,
  RightMouseUp = 4,
  MouseMoved = 5,
  LeftMouseDragged = 6,
  RightMouseDragged = 7,
  MouseEntered = 8,
  MouseExited = 9,
  KeyDown = 10,
  KeyUp = 11,
  FlagsChanged = 12,
  CursorUpdate = 17,
  ScrollWheel = 22,
  OtherMouseDown = 25,
  OtherMouseUp = 26,
  OtherMouseDragged = 27,
};

using EventMask = std::uint64_t;
constexpr EventMask eventMaskFor(EventType t) { return EventMask{1} << static_cast<int>(t); }
namespace EventMasks {
constexpr EventMask KeyDown = eventMaskFor(EventType::KeyDown);
constexpr EventMask KeyUp = eventMaskFor(EventType::KeyUp);
constexpr EventMask FlagsChanged = eventMaskFor(EventType::FlagsChanged);
constexpr EventMask LeftMouseDown = eventMaskFor(EventType::LeftMouseDown);
constexpr EventMask LeftMouseUp = eventMaskFor(EventType::LeftMouseUp);
constexpr EventMask LeftMouseDragged = eventMaskFor(EventType::LeftMouseDragged);
constexpr EventMask RightMouseDown = eventMaskFor(EventType::RightMouseDown);
constexpr EventMask RightMouseUp = eventMaskFor(EventType::RightMouseUp);
constexpr EventMask MouseMoved = eventMaskFor(EventType::MouseMoved);
constexpr EventMask ScrollWheel = eventMaskFor(EventType::ScrollWheel);
constexpr EventMask Any = ~EventMask{0};
}  // namespace EventMasks

// Modifier flag bits as stored shortcuts hold them.
namespace ModifierFlags {
constexpr std::uint64_t CapsLock = 0x10000;
constexpr std::uint64_t Shift = 0x20000;
constexpr std::uint64_t Control = 0x40000;
constexpr std::uint64_t Option = 0x80000;
constexpr std::uint64_t Command = 0x100000;
constexpr std::uint64_t NumericPad = 0x200000;
constexpr std::uint64_t Help = 0x400000;
constexpr std::uint64_t Function = 0x800000;
constexpr std::uint64_t DeviceIndependentMask = 0xffff0000;
}  // namespace ModifierFlags

// Virtual key codes: physical key positions of the ANSI layout.
namespace KeyCode {
constexpr std::uint16_t A = 0, S = 1, D = 2, F = 3, H = 4, G = 5, Z = 6, X = 7, C = 8, V = 9, B = 11, Q = 12,
                        W = 13, E = 14, R = 15, Y = 16, T = 17, One = 18, Two = 19, Three = 20, Four = 21,
                        Six = 22, Five = 23, Equal = 24, Nine = 25, Seven = 26, Minus = 27, Eight = 28,
                        Zero = 29, RightBracket = 30, O = 31, U = 32, LeftBracket = 33, I = 34, P = 35,
                        Return = 36, L = 37, J = 38, Quote = 39, K = 40, Semicolon = 41, Backslash = 42,
                        Comma = 43, Slash = 44, N = 45, M = 46, Period = 47, Tab = 48, Space = 49, Grave = 50,
                        Delete = 51, Escape = 53, RightCommand = 54, Command = 55, Shift = 56, CapsLock = 57,
                        Option = 58, Control = 59, RightShift = 60, RightOption = 61, RightControl = 62,
                        Function = 63, KeypadEnter = 76, F5 = 96, F6 = 97, F7 = 98, F3 = 99, F8 = 100,
                        F9 = 101, F11 = 103, F10 = 109, F12 = 111, Home = 115, PageUp = 116,
                        ForwardDelete = 117, F4 = 118, End = 119, F2 = 120, PageDown = 121, F1 = 122,
                        LeftArrow = 123, RightArrow = 124, DownArrow = 125, UpArrow = 126;
}  // namespace KeyCode

// What a US keyboard types for a key code: (unshifted, shifted) text. Arrows and the other function keys
// give the private-use characters U+F700... as the platform does; an unknown code gives "".
std::string charactersForKeyCode(std::uint16_t keyCode, bool shift);
// The key code and whether Shift is needed to type one ASCII character; false when no key types it.
bool keyCodeForCharacter(char c, std::uint16_t* keyCode, bool* shift);
// Flags the platform adds to a key of its own accord: numeric pad and function for the arrows, function
// for the other function keys.
std::uint64_t implicitFlagsForKeyCode(std::uint16_t keyCode);

// One input event. Values are copied freely; the window and tracking area are held weakly.
class Event {
 public:
  Event() = default;
  static Event keyEvent(EventType type, std::uint16_t keyCode, std::uint64_t modifierFlags,
                        std::string characters, std::string charactersIgnoringModifiers,
                        bool isARepeat = false);
  static Event mouseEvent(EventType type, Point locationInWindow, std::uint64_t modifierFlags,
                          int clickCount = 1);
  static Event scrollEvent(Point locationInWindow, double deltaX, double deltaY,
                           std::uint64_t modifierFlags = 0);

  EventType type() const { return type_; }
  void setType(EventType t) { type_ = t; }
  // Seconds on the monotonic clock.
  double timestamp() const { return timestamp_; }
  void setTimestamp(double t) { timestamp_ = t; }
  std::shared_ptr<Window> window() const { return window_.lock(); }
  void setWindow(const std::shared_ptr<Window>& w) { window_ = w; }

  Point locationInWindow() const { return location_; }
  std::uint64_t modifierFlags() const { return flags_; }

  std::uint16_t keyCode() const { return keyCode_; }
  const std::string& characters() const { return characters_; }
  const std::string& charactersIgnoringModifiers() const { return charactersIgnoringModifiers_; }
  bool isARepeat() const { return isARepeat_; }

  int clickCount() const { return clickCount_; }
  // 0 left, 1 right, 2 and up other buttons.
  double deltaX() const { return deltaX_; }
  double deltaY() const { return deltaY_; }

  // The tracking area an entered, exited, moved or cursor-update event is for.
  std::shared_ptr<TrackingArea> trackingArea() const { return trackingArea_.lock(); }
  void setTrackingArea(const std::shared_ptr<TrackingArea>& a) { trackingArea_ = a; }

  bool isKeyEvent() const;
  bool isMouseEvent() const;
  // The location in a view's coordinates (the view must be in the event's window).
  Point locationInView(const View& view) const;

  // "KeyDown keyCode 9 flags 0x100000 chars \"v\"" and the like, for log lines.
  std::string description() const;

 private:
  EventType type_ = EventType::MouseMoved;
  double timestamp_ = 0;
  std::weak_ptr<Window> window_;
  Point location_;
  std::uint64_t flags_ = 0;
  std::uint16_t keyCode_ = 0;
  std::string characters_;
  std::string charactersIgnoringModifiers_;
  bool isARepeat_ = false;
  int clickCount_ = 0;
  int buttonNumber_ = 0;
  double deltaX_ = 0;
  double deltaY_ = 0;
  std::weak_ptr<TrackingArea> trackingArea_;
};

}  // namespace vl::ui
