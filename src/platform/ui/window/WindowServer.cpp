#include "platform/ui/window/WindowServer.h"

namespace vl::ui {

namespace {

std::shared_ptr<WindowServer>& current() {
  static std::shared_ptr<WindowServer> server;
  return server;
}

}  // namespace

WindowServer* WindowServer::installed() { return current().get(); }

void WindowServer::install(std::shared_ptr<WindowServer> server) { current() = std::move(server); }

}  // namespace vl::ui
