#pragma once

#include <string>
#include <utility>

namespace vl::ui {

// A pointer shape, named; a backend maps the names to its own cursors. The current cursor is process-wide
// and main-thread only.
class Cursor {
 public:
  Cursor() = default;
  explicit Cursor(std::string name) : name_(std::move(name)) {}

  static Cursor arrow() { return Cursor("arrow"); }
  static Cursor iBeam() { return Cursor("iBeam"); }
  static Cursor pointingHand() { return Cursor("pointingHand"); }
  static Cursor openHand() { return Cursor("openHand"); }
  static Cursor closedHand() { return Cursor("closedHand"); }
  static Cursor crosshair() { return Cursor("crosshair"); }
  static Cursor resizeLeftRight() { return Cursor("resizeLeftRight"); }
  static Cursor resizeUpDown() { return Cursor("resizeUpDown"); }
  static Cursor operationNotAllowed() { return Cursor("operationNotAllowed"); }

  const std::string& name() const { return name_; }
  // Makes this the current cursor.
  void set() const;
  static Cursor current();
  // A stack for temporary cursors: push sets it, pop restores the one before.
  void push() const;
  static void pop();

  bool operator==(const Cursor&) const = default;

 private:
  std::string name_ = "arrow";
};

}  // namespace vl::ui
