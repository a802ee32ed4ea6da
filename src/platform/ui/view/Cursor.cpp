#include "platform/ui/view/Cursor.h"

#include <vector>

#include "platform/ui/window/WindowServer.h"

namespace vl::ui {

namespace {

struct CursorState {
  Cursor current;
  std::vector<Cursor> stack;
  unsigned long sets = 0;
};

CursorState& state() {
  static CursorState s;
  return s;
}

}  // namespace

void Cursor::set() const {
  state().current = *this;
  ++state().sets;
  if (WindowServer* server = WindowServer::installed()) server->cursorChanged(*this);
}

Cursor Cursor::current() { return state().current; }

void Cursor::push() const {
  state().stack.push_back(state().current);
  set();
}

void Cursor::pop() {
  auto& s = state();
  if (s.stack.empty()) return;
  Cursor previous = s.stack.back();
  s.stack.pop_back();
  previous.set();
}

}  // namespace vl::ui
