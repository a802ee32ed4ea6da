#pragma once

#include <optional>
#include <string>

#include "theme/VLThemeManager.h"
#include "theme/VLThemeObject.h"

namespace vl {

namespace ui {
class Layer;
class View;
class Window;
}  // namespace ui

// Asset keys stored on platform objects. Setting a key stores it on the object and applies the key's
// colour at once (a key without a colour, or none, clears the property); from then on the object follows
// every theme and light/dark change through its category's lightOrDarkChanged below.
//
// The keys live beside the objects, not in them, so the platform layer stays free of themes. An object
// is recognised by its shared_ptr control block: it must be held by a shared_ptr (views, layers and
// windows always are). Entries of destroyed objects are never touched and are dropped at the next change.
// An application class that mixes in VLThemeObject follows changes through its own lightOrDarkChanged
// instead (VLThemed<Base> below calls the category's). Main thread only.

using AssetKey = std::optional<std::string>;

// Layers: background and border colour; lightOrDarkChanged re-applies each key that is set.
void setBackgroundColorAssetKey(ui::Layer& layer, AssetKey key);
AssetKey backgroundColorAssetKey(const ui::Layer& layer);
void setBorderColorAssetKey(ui::Layer& layer, AssetKey key);
AssetKey borderColorAssetKey(const ui::Layer& layer);
void lightOrDarkChanged(ui::Layer& layer);
// Subscribes the layer (as setting a key does) and answers the manager.
VLThemeManager& themeManager(ui::Layer& layer);

// Windows: background colour (cleared to transparent when the key has none).
void setBackgroundColorAssetKey(ui::Window& window, AssetKey key);
AssetKey backgroundColorAssetKey(const ui::Window& window);
void lightOrDarkChanged(ui::Window& window);
VLThemeManager& themeManager(ui::Window& window);
// The frame's height minus the height of the content rectangle for that frame.
double titlebarHeight(const ui::Window& window);

// Views: the key is only stored and the view marked for redisplay; the view's own drawing reads it.
// lightOrDarkChanged marks the view for redisplay.
void setBackgroundColorAssetKey(ui::View& view, AssetKey key);
AssetKey backgroundColorAssetKey(const ui::View& view);
void lightOrDarkChanged(ui::View& view);
VLThemeManager& themeManager(ui::View& view);

// An application class built on a platform class: it subscribes itself on its first themeManager() call,
// and lightOrDarkChanged does what the platform class's category does unless overridden (an override
// calls VLThemed::lightOrDarkChanged() for that part).
template <typename Base>
class VLThemed : public Base, public VLThemeObject {
 public:
  using Base::Base;
  using VLThemeObject::themeManager;
  void lightOrDarkChanged() override { vl::lightOrDarkChanged(static_cast<Base&>(*this)); }
};

// Tests: how many objects the key store follows now (entries of destroyed objects are not counted).
std::size_t followedObjectCountForTesting();

}  // namespace vl
