#pragma once

#include <memory>
#include <optional>

#include "Windows/Main/placement/DragStore.h"
#include "Windows/Main/placement/VLWindowFraming.h"
#include "ui/VLWindow.h"

namespace vl {

class RecordViewController;

// The floating paste queue: a panel over every desktop that never takes the keyboard from the
// application the user pastes into, stays when this program hides, and opens where it was last dragged
// to on the screen in use.
class RecordWindow : public VLPanel, public VLWindowFraming {
 public:
  static constexpr double kWidth = 264;
  static constexpr double kHeight = 77;

  explicit RecordWindow(const ui::Rect& contentRect);
  // The window with its content, registered under its key with the window registry.
  static std::shared_ptr<RecordWindow> registerRecordWindow();

  // Key focus would move typing from the other application into the panel and make its Ctrl+V ours.
  bool canBecomeKeyWindow() const override { return false; }
  void close() override;
  bool appeared() const { return appear(); }
  // Shows or hides the window's `appear` flag; also readable from capture's queue through isShown().
  void setShown(bool shown);
  // Whether the registered record window shows; any thread.
  static bool isShown();

  void mouseDown(const ui::Event& event) override;
  void mouseDragged(const ui::Event& event) override;
  void mouseUp(const ui::Event& event) override;

  ui::Size defaultSize() const override { return {kWidth, kHeight}; }
  ui::EdgeInsets defaultEdgeInsets() const override { return {150, 150, 0, 0}; }
  DragStore* dragStore() override;
  void saveOnce();

  RecordViewController& controller() const;

 private:
  std::optional<DragStore> dragStore_;
};

// What the status menu's item and the record window's hot key do: show the window where it belongs, or
// close it when it is open (the hot key only).
void showRecordWindow();
void toggleRecordWindow();

}  // namespace vl
