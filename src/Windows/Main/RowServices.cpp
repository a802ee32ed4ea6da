#include "Windows/Main/RowServices.h"

#include "core/AppInstalledManager.h"
#include "core/VLConfig.h"

namespace vl {

namespace {

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
  if (!installed().icons || path.empty()) return nullptr;
  return installed().icons(kind, path);
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
