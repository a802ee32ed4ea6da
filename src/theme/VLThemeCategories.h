#pragma once

#include <optional>
#include <string>

#include "platform/ui/graphics/Image.h"
#include "theme/VLThemeManager.h"
#include "theme/VLThemeObject.h"

namespace vl {

namespace ui {
class Button;
class ImageView;
class Layer;
class ScrollView;
class TableRowView;
class TableView;
class TextField;
class TextView;
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

// The controls below are views too: a control's own category replaces the plain view's, whichever
// function first made the object followed. themeManager(ui::View&) subscribes any of them.

// Scroll views: background colour (transparent when the key has none); re-applied only while a key is
// set, so a scroll view without one keeps its own colour.
void setBackgroundColorAssetKey(ui::ScrollView& scrollView, AssetKey key);
AssetKey backgroundColorAssetKey(const ui::ScrollView& scrollView);
void lightOrDarkChanged(ui::ScrollView& scrollView);

// Tables: background colour (none when the key has none); re-applied only while a key is set.
void setBackgroundColorAssetKey(ui::TableView& table, AssetKey key);
AssetKey backgroundColorAssetKey(const ui::TableView& table);
void lightOrDarkChanged(ui::TableView& table);

// Row views: background colour, re-applied on every change; a followed row without a key loses its
// background each time.
void setBackgroundColorAssetKey(ui::TableRowView& row, AssetKey key);
AssetKey backgroundColorAssetKey(const ui::TableRowView& row);
void lightOrDarkChanged(ui::TableRowView& row);

// Buttons keep no key; the button classes that follow changes override their own hook.
void lightOrDarkChanged(ui::Button& button);

// Image views: the current image drawn in the key's colour where it is opaque. An image with pixels is
// replaced by its tinted copy and the view's content tint is the colour as well, so an image known only by
// its size is tinted when drawn. A key without a colour removes the content tint and leaves the image as
// it is (tinting with nothing would erase it). No key, or an empty one, is only stored. Re-applied while a
// key is set; tinting an already tinted image gives the same shape.
void setTintColorAssetKey(ui::ImageView& imageView, AssetKey key);
AssetKey tintColorAssetKey(const ui::ImageView& imageView);
void lightOrDarkChanged(ui::ImageView& imageView);
// The image's shape filled with the colour: each pixel takes the colour, at the colour's alpha times the
// pixel's. nullptr for an image without pixels.
ui::ImageRef tintedImage(const ui::Image& image, const ui::Color& color);

// Text fields: text colour, re-applied on every change. Without a key, or with a key without a colour,
// the field shows the system's control text colour of the current mode.
void setTextColorAssetKey(ui::TextField& field, AssetKey key);
AssetKey textColorAssetKey(const ui::TextField& field);
void lightOrDarkChanged(ui::TextField& field);

// Text views: text colour (the system's text colour of the mode when the key has none) and background
// colour (transparent when the key has none); each re-applied while its key is set.
void setTextColorAssetKey(ui::TextView& textView, AssetKey key);
AssetKey textColorAssetKey(const ui::TextView& textView);
void setBackgroundColorAssetKey(ui::TextView& textView, AssetKey key);
AssetKey backgroundColorAssetKey(const ui::TextView& textView);
void lightOrDarkChanged(ui::TextView& textView);

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
