#include "ui/panels/MainViewHooks.h"

#include <utility>

namespace vl {

namespace {

MainViewHooks& stored() {
  static MainViewHooks hooks;
  return hooks;
}

}  // namespace

const MainViewHooks& MainViewHooks::current() { return stored(); }

void MainViewHooks::install(MainViewHooks hooks) { stored() = std::move(hooks); }

}  // namespace vl
