#include "Windows/Main/list/RowServices.h"

#include "core/VLConfig.h"
#include "core/apps/AppInstalledManager.h"
#include "platform/foundation/Check.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/ui/window/Screen.h"

namespace vl {

namespace {

constexpr double kRowIconPoints = 18;

struct Installed {
  RowServices::IconProvider icons;
  RowServices::TransferLookup transfers;
  RowServices::BrowserPath browser;
};

Installed& installed() {
  static Installed services;
  return services;
}

}  // namespace

void RowServices::setIconProvider(IconProvider provider) { installed().icons = std::move(provider); }

ui::ImageRef RowServices::iconFor(IconKind kind, const std::string& path) {
  VL_DCHECK_ON_MAIN();
  if (path.empty()) return nullptr;
  if (installed().icons) return installed().icons(kind, path);
  return workspaceIcon(kind, path);
}

ui::ImageRef RowServices::workspaceIcon(IconKind kind, const std::string& path) {
  if (path.empty()) return nullptr;
  // A headless workspace has only placeholders without pixels, which draw nothing.
  auto screen = ui::Screen::mainScreen();
  int scale = screen && screen->backingScaleFactor() >= 1.5 ? 2 : 1;
  auto workspace = Workspace::shared();
  if (!workspace) return nullptr;
  ui::ImageRef icon = kind == IconKind::File ? workspace->iconForFile(path, kRowIconPoints, scale)
                                             : workspace->iconForApplication(path, kRowIconPoints, scale);
  return icon && icon->hasPixels() ? icon : nullptr;
}

bool RowServices::hasIconProvider() { return static_cast<bool>(installed().icons); }

bool RowServices::hasBrowserPath() { return static_cast<bool>(installed().browser); }

void RowServices::setTransferLookup(TransferLookup lookup) { installed().transfers = std::move(lookup); }

bool RowServices::looksForTransfers() { return static_cast<bool>(installed().transfers); }

std::shared_ptr<RowTransfer> RowServices::transferOf(const std::string& signature) {
  VL_DCHECK_ON_MAIN();
  return installed().transfers ? installed().transfers(signature) : nullptr;
}

void RowServices::setBrowserPath(BrowserPath path) { installed().browser = std::move(path); }

std::string RowServices::browserPath() { return installed().browser ? installed().browser() : std::string(); }

}  // namespace vl
