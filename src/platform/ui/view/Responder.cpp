#include "platform/ui/view/Responder.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

#include "platform/foundation/Log.h"

namespace vl::ui {

void ActionTarget::setActionHandler(const std::string& action, Handler handler) {
  if (handler) {
    handlers_[action] = std::move(handler);
  } else {
    handlers_.erase(action);
  }
}

bool ActionTarget::respondsToAction(const std::string& action) const { return handlers_.count(action) > 0; }

bool ActionTarget::performAction(const std::string& action, ActionTarget* sender) {
  auto it = handlers_.find(action);
  if (it == handlers_.end()) return false;
  Handler handler = it->second;  // the handler may replace itself
  handler(sender);
  return true;
}

std::string ActionTarget::className() const {
  const char* mangled = typeid(*this).name();
  int status = 0;
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && demangled ? demangled : mangled;
  std::free(demangled);
  // Namespaces are ours, not part of the class's name; template arguments are kept whole.
  std::size_t angle = name.find('<');
  std::size_t cut = name.rfind("::", angle == std::string::npos ? std::string::npos : angle);
  return cut == std::string::npos ? name : name.substr(cut + 2);
}

Responder* Responder::nextResponder() const { return next_.lock().get(); }

void Responder::keyDown(const Event&) { logDebugf("key down %s", className().c_str()); }

void Responder::keyUp(const Event& event) {
  if (Responder* next = nextResponder()) next->keyUp(event);
}

void Responder::flagsChanged(const Event& event) {
  if (Responder* next = nextResponder()) next->flagsChanged(event);
}

bool Responder::performKeyEquivalent(const Event&) { return false; }

#define VL_FORWARD(method)                                      \
  void Responder::method(const Event& event) {                  \
    if (Responder* next = nextResponder()) next->method(event); \
  }

VL_FORWARD(mouseDown)
VL_FORWARD(mouseUp)
VL_FORWARD(mouseDragged)
VL_FORWARD(mouseMoved)
VL_FORWARD(mouseEntered)
VL_FORWARD(mouseExited)
VL_FORWARD(rightMouseDown)
VL_FORWARD(rightMouseUp)
VL_FORWARD(rightMouseDragged)
VL_FORWARD(otherMouseDown)
VL_FORWARD(otherMouseUp)
VL_FORWARD(otherMouseDragged)
VL_FORWARD(scrollWheel)
VL_FORWARD(cursorUpdate)

#undef VL_FORWARD

bool Responder::tryToPerform(const std::string& action, ActionTarget* sender) {
  for (Responder* r = this; r; r = r->nextResponder()) {
    if (r->respondsToAction(action)) return r->performAction(action, sender);
  }
  return false;
}

}  // namespace vl::ui
