#include "theme/VLThemeCategories.h"

#include "platform/ui/Layer.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "theme/VLAssetKeyStore.h"

namespace vl {

namespace {

constexpr const char* kBackground = "backgroundColorAssetKey";
constexpr const char* kBorder = "borderColorAssetKey";

std::optional<ui::Color> colorOf(const AssetKey& key) {
  return key ? VLThemeManager::shared().colorForKey(*key) : std::nullopt;
}

// Handles: the object typed for its applier, its control block, and whether it subscribes on its own.
VLAssetKeyStore::Handle handleOf(ui::Layer& layer) {
  return {&layer, layer.weak_from_this(), [](void* p) { lightOrDarkChanged(*static_cast<ui::Layer*>(p)); },
          dynamic_cast<VLThemeObject*>(&layer)};
}
VLAssetKeyStore::Handle handleOf(ui::Window& window) {
  return {&window, window.weak_from_this(), [](void* p) { lightOrDarkChanged(*static_cast<ui::Window*>(p)); },
          dynamic_cast<VLThemeObject*>(&window)};
}
VLAssetKeyStore::Handle handleOf(ui::View& view) {
  return {&view, view.weak_from_this(), [](void* p) { lightOrDarkChanged(*static_cast<ui::View*>(p)); },
          dynamic_cast<VLThemeObject*>(&view)};
}

template <typename T>
AssetKey storedKey(const T& object, const char* slot) {
  return VLAssetKeyStore::shared().key(&object, object.weak_from_this(), slot);
}

}  // namespace

// --- layers ---------------------------------------------------------------------------------------------

void setBackgroundColorAssetKey(ui::Layer& layer, AssetKey key) {
  VLAssetKeyStore::shared().setKey(handleOf(layer), kBackground, key);
  layer.setBackgroundColor(colorOf(key));
}

AssetKey backgroundColorAssetKey(const ui::Layer& layer) { return storedKey(layer, kBackground); }

void setBorderColorAssetKey(ui::Layer& layer, AssetKey key) {
  VLAssetKeyStore::shared().setKey(handleOf(layer), kBorder, key);
  layer.setBorderColor(colorOf(key));
}

AssetKey borderColorAssetKey(const ui::Layer& layer) { return storedKey(layer, kBorder); }

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
  VLAssetKeyStore::shared().setKey(handleOf(window), kBackground, key);
  window.setBackgroundColor(colorOf(key).value_or(ui::Color::clear()));
}

AssetKey backgroundColorAssetKey(const ui::Window& window) { return storedKey(window, kBackground); }

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

// --- views ----------------------------------------------------------------------------------------------

void setBackgroundColorAssetKey(ui::View& view, AssetKey key) {
  // Followed from its first key, so a view that draws with the key is redrawn after every change.
  VLAssetKeyStore::shared().setKey(handleOf(view), kBackground, std::move(key));
  view.setNeedsDisplay(true);
}

AssetKey backgroundColorAssetKey(const ui::View& view) { return storedKey(view, kBackground); }

void lightOrDarkChanged(ui::View& view) { view.setNeedsDisplay(true); }

VLThemeManager& themeManager(ui::View& view) {
  VLAssetKeyStore::shared().follow(handleOf(view));
  return VLThemeManager::shared();
}

std::size_t followedObjectCountForTesting() { return VLAssetKeyStore::shared().followedCount(); }

}  // namespace vl
