#pragma once

#include <memory>
#include <optional>

#include "platform/ui/view/Event.h"

namespace vl {

namespace ui {
class Application;
class EventMonitor;
}  // namespace ui

// Sees every key-down and every change of the modifier keys in our windows and has it dispatched by
// name (ShortcutHelper). The event always goes on to the window afterwards, whatever the dispatch
// answered. Main thread only.
class KeyboardListener {
 public:
  // The listener of the shared application, made at start-up and kept until exit.
  static KeyboardListener& shared();
  // Drops the shared listener and its monitor.
  static void resetForTesting();

  explicit KeyboardListener(ui::Application& application);
  ~KeyboardListener();
  KeyboardListener(const KeyboardListener&) = delete;
  KeyboardListener& operator=(const KeyboardListener&) = delete;

  // Nothing is dispatched while a returned token lives: a hot key recorder takes the presses for
  // itself, and Escape or Return typed into it must not also act on the window.
  [[nodiscard]] std::shared_ptr<void> suspendDispatch();
  bool isSuspended() const { return *suspensions_ > 0; }

  // Whether a shortcut acted on this key-down. The press still goes on to the window, where a text field
  // asks this so as not to act on it a second time (a caret that moves as the list or the thinking bar
  // does).
  static bool tookPress(const ui::Event& event);

 private:
  std::optional<ui::Event> handle(const ui::Event& event);

  ui::Application& application_;
  std::shared_ptr<ui::EventMonitor> monitor_;
  // Shared with the tokens, which may outlive the listener.
  std::shared_ptr<int> suspensions_ = std::make_shared<int>(0);
};

}  // namespace vl
