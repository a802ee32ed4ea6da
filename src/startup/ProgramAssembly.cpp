#include "startup/ProgramAssembly.h"

#include <utility>

#include "capture/CaptureHooks.h"
#include "platform/ui/window/Application.h"
#include "startup/AppDelegate.h"
#include "startup/SyncSteps.h"
#include "startup/WindowSteps.h"
#include "statusbar/VLStatusBar.h"

namespace vl {

std::shared_ptr<AppDelegate> assembleProgram(ui::Application& application) {
  StartupHooks hooks = AppDelegate::hooks();
  installWindowSteps(hooks);
  installSyncSteps(hooks);
  hooks.produceStatusItem = [] { return std::shared_ptr<void>(VLStatusBar::shared().produceStatusItem()); };
  hooks.updateStatusIcon = [] { VLStatusBar::shared().updateIcon(); };
  AppDelegate::setHooks(std::move(hooks));

  // The first use of the delegate's class runs class initialisation, before the application has a
  // delegate.
  auto delegate = std::make_shared<AppDelegate>();
  std::weak_ptr<AppDelegate> weak = delegate;
  VLStatusBar::setQuitAction([weak] {
    if (auto self = weak.lock()) self->terminate();
  });
  CaptureHooks::setPayAnimate([] { VLStatusBar::payAnimateFromAnyThread(); });
  delegate->attach(application);
  return delegate;
}

}  // namespace vl
