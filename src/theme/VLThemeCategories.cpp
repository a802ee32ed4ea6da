#include "theme/VLThemeCategories.h"

#include "platform/ui/view/Layer.h"
#include "platform/ui/window/Window.h"
#include "theme/VLAssetKeyStore.h"
#include "theme/VLThemeCategorySupport.h"

namespace vl {

namespace {

using theme_detail::colorOf;
using theme_detail::kBackgroundSlot;
using theme_detail::kBorderSlot;
using theme_detail::storedKey;

// Handles: the object typed for its applier, its control block, and whether it subscribes on its own.
VLAssetKeyStore::Handle handleOf(ui::Layer& layer) {
  return {&layer, layer.weak_from_this(), [](void* p) { lightOrDarkChanged(*static_cast<ui::Layer*>(p)); },
          dynamic_cast<VLThemeObject*>(&layer)};
}
VLAssetKeyStore::Handle handleOf(ui::Window& window) {
  return {&window, window.weak_from_this(), [](void* p) { lightOrDarkChanged(*static_cast<ui::Window*>(p)); },
          dynamic_cast<VLThemeObject*>(&window)};
}

}  // namespace

// --- layers ---------------------------------------------------------------------------------------------

void setBackgroundColorAssetKey(ui::Layer& layer, AssetKey key) {
  VLAssetKeyStore::shared().setKey(handleOf(layer), kBackgroundSlot, key);
  layer.setBackgroundColor(colorOf(key));
}

AssetKey backgroundColorAssetKey(const ui::Layer& layer) { return storedKey(layer, kBackgroundSlot); }

void setBorderColorAssetKey(ui::Layer& layer, AssetKey key) {
  VLAssetKeyStore::shared().setKey(handleOf(layer), kBorderSlot, key);
  layer.setBorderColor(colorOf(key));
}

AssetKey borderColorAssetKey(const ui::Layer& layer) { return storedKey(layer, kBorderSlot); }

void lightOrDarkChanged(ui::Layer& layer) {
  if (auto key = backgroundColorAssetKey(layer)) layer.setBackgroundColor(colorOf(key));
  if (auto key = borderColorAssetKey(layer)) layer.setBorderColor(colorOf(key));
}

VLThemeManager& themeManager(ui::Layer& layer) {
  VLAssetKeyStore::shared().follow(handleOf(layer));
  return VLThemeManager::shared();
}

// --- windows --------------------------------------------------------------------------------------------

void setBackgroundColorAssetKey(ui::Window& window, AssetKey key) {
  VLAssetKeyStore::shared().setKey(handleOf(window), kBackgroundSlot, key);
  window.setBackgroundColor(colorOf(key).value_or(ui::Color::clear()));
}

AssetKey backgroundColorAssetKey(const ui::Window& window) { return storedKey(window, kBackgroundSlot); }

void lightOrDarkChanged(ui::Window& window) {
  if (auto key = backgroundColorAssetKey(window))
    window.setBackgroundColor(colorOf(key).value_or(ui::Color::clear()));
}

VLThemeManager& themeManager(ui::Window& window) {
  VLAssetKeyStore::shared().follow(handleOf(window));
  return VLThemeManager::shared();
}

double titlebarHeight(const ui::Window& window) {
  return window.frame().height() -
         ui::Window::contentRectForFrameRect(window.frame(), window.styleMask()).height();
}

std::size_t followedObjectCountForTesting() { return VLAssetKeyStore::shared().followedCount(); }

}  // namespace vl
