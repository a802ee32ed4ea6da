#include "ui/themechooser/ThemeViewController.h"

#include "core/VLConfig.h"
#include "platform/foundation/Log.h"
#include "theme/VLThemeManager.h"

namespace vl {

ThemeViewController::ThemeViewController() {
  setActionHandler("themeClick:", [this](ui::ActionTarget* sender) {
    if (auto* thumbnail = dynamic_cast<WindowThumbnail*>(sender)) themeClick(*thumbnail);
  });
}

void ThemeViewController::loadView() { setView(ui::View::create({0, 0, kSize.width, kSize.height})); }

void ThemeViewController::viewDidLoad() {
  VLViewController::viewDidLoad();
  loadThumbnail();
}

void ThemeViewController::loadThumbnail() {
  const auto& pane = view();
  double W = pane->frame().width(), H = pane->frame().height();
  std::string chosen = VLConfig::shared().getStringValueOfKey(VLConfig::kThemeName).value_or("");
  auto me = shared_from_this();
  for (const auto& theme : VLThemeManager::shared().themeList()) {
    auto thumbnail = WindowThumbnail::initWithThemeNanme(theme->name());
    pane->addSubview(thumbnail);
    double x = (W - 490) / 2 + (theme->main() ? 0 : 270);
    thumbnail->setFrameOrigin({x, H - 40 - 120});
    thumbnail->setSelected(chosen == theme->name());
    thumbnail->setTarget(me);
    thumbnail->setAction("themeClick:");
    thumbnailList_.push_back(thumbnail);
  }
}

void ThemeViewController::themeClick(WindowThumbnail& clicked) {
  const std::string& name = clicked.getThemeName();
  auto table = VLThemeManager::themeTable();
  if (!table || !table->count(name)) {
    // Activating a theme that is gone would leave every key without a colour.
    logWarningf("ThemeViewController: theme \"%s\" is no longer loaded, choice ignored", name.c_str());
    return;
  }
  for (const auto& thumbnail : thumbnailList_) {
    bool selected = thumbnail.get() == &clicked;
    thumbnail->setSelected(selected);
    if (selected) VLConfig::shared().setStringValueOfKey(VLConfig::kThemeName, name);
  }
  VLThemeManager::shared().setActiveTheme(name);
}

}  // namespace vl
