#pragma once

#include <memory>
#include <string>

#include "platform/ui/view/View.h"
#include "platform/ui/window/Window.h"

namespace vl {

// Where Tab and Shift+Tab send the keyboard from an input of a form: the views that take it next and
// before (a text field, a text view). Held weakly: the form owns its inputs. Main thread only.
class KeyViewLinks {
 public:
  void setNext(const std::shared_ptr<ui::View>& view) { next_ = view; }
  void setPrevious(const std::shared_ptr<ui::View>& view) { previous_ = view; }

  // Hands the keyboard on for "insertTab:" or "insertBacktab:" when a view is linked that way and
  // stands in the same window; false leaves the command to the input.
  bool follow(ui::View& from, const std::string& command) const {
    const std::weak_ptr<ui::View>* link = command == "insertTab:"       ? &next_
                                          : command == "insertBacktab:" ? &previous_
                                                                        : nullptr;
    if (!link) return false;
    std::shared_ptr<ui::View> to = link->lock();
    ui::Window* window = from.window();
    if (!to || !window || to->window() != window) return false;
    window->makeFirstResponder(to.get());
    return true;
  }

 private:
  std::weak_ptr<ui::View> next_;
  std::weak_ptr<ui::View> previous_;
};

}  // namespace vl
