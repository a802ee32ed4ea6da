#include "Windows/Main/list/RowServices.h"

#include "core/AppInstalledManager.h"
#include "core/VLConfig.h"
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
  if (path.empty()) return nullptr;
  if (installed().icons) return installed().icons(kind, path);
  // The workspace's icons; a headless workspace has only placeholders without pixels, which draw nothing.
  auto screen = ui::Screen::mainScreen();
  int scale = screen && screen->backingScaleFactor() >= 1.5 ? 2 : 1;
  auto workspace = Workspace::shared();
  if (!workspace) return nullptr;
  ui::ImageRef icon = kind == IconKind::File ? workspace->iconForFile(path, kRowIconPoints, scale)
                                             : workspace->iconForApplication(path, kRowIconPoints, scale);
  return icon && icon->hasPixels() ? icon : nullptr;
}

void RowServices::setTransferLookup(TransferLookup lookup) { installed().transfers = std::move(lookup); }

bool RowServices::looksForTransfers() { return static_cast<bool>(installed().transfers); }

std::shared_ptr<RowTransfer> RowServices::transferOf(const std::string& signature) {
  return installed().transfers ? installed().transfers(signature) : nullptr;
}

void RowServices::setBrowserPath(BrowserPath path) { installed().browser = std::move(path); }

std::string RowServices::browserPath() {
  if (installed().browser) return installed().browser();
  std::optional<std::string> name = VLConfig::shared().getStringValueOfKey(VLConfig::kWebSearch);
  return name ? AppInstalledManager::shared().getAppPath(*name) : std::string();
}

}  // namespace vl
