#pragma once

#include <memory>

namespace vl {

namespace ui {
class Application;
}
class AppDelegate;

// Puts the program together before launching, as main() runs it: the start-up steps of the windows,
// the status item with its pulse on every copy and its quit row, and the application delegate (whose
// creation runs class initialisation) attached to `application`. The desktop's backends go in before,
// when there is a desktop. Tests assemble the program through this same function.
std::shared_ptr<AppDelegate> assembleProgram(ui::Application& application);

}  // namespace vl
