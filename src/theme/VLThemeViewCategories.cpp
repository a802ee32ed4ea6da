// The asset-key categories of views and of the controls built on them.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/table/TableRowView.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"
#include "theme/VLAssetKeyStore.h"
#include "theme/VLSystemColors.h"
#include "theme/VLThemeCategories.h"
#include "theme/VLThemeCategorySupport.h"

namespace vl {

namespace {

using theme_detail::colorOf;
using theme_detail::kBackgroundSlot;
using theme_detail::kTextSlot;
using theme_detail::kTintSlot;

// The most specific category the view's class has. Every view-like object is followed through this one
// applier, so a text field first followed as a plain view still gets its text colour re-applied.
void applyByClass(ui::View& view) {
  if (auto* field = dynamic_cast<ui::TextField*>(&view)) return lightOrDarkChanged(*field);
  if (auto* textView = dynamic_cast<ui::TextView*>(&view)) return lightOrDarkChanged(*textView);
  if (auto* imageView = dynamic_cast<ui::ImageView*>(&view)) return lightOrDarkChanged(*imageView);
  if (auto* button = dynamic_cast<ui::Button*>(&view)) return lightOrDarkChanged(*button);
  if (auto* table = dynamic_cast<ui::TableView*>(&view)) return lightOrDarkChanged(*table);
  if (auto* row = dynamic_cast<ui::TableRowView*>(&view)) return lightOrDarkChanged(*row);
  if (auto* scrollView = dynamic_cast<ui::ScrollView*>(&view)) return lightOrDarkChanged(*scrollView);
  lightOrDarkChanged(view);
}

// Always made from the ui::View part, so every control is stored under one address whatever static
// type the caller had.
VLAssetKeyStore::Handle handleOf(ui::View& view) {
  return {&view, view.weak_from_this(), [](void* p) { applyByClass(*static_cast<ui::View*>(p)); },
          dynamic_cast<VLThemeObject*>(&view)};
}

void storeKey(ui::View& view, const char* slot, AssetKey key) {
  VLAssetKeyStore::shared().setKey(handleOf(view), slot, std::move(key));
}

AssetKey viewKey(const ui::View& view, const char* slot) { return theme_detail::storedKey(view, slot); }

// What the platform shows for a text colour left unset, in the manager's mode.
ui::Color systemColorInCurrentMode(const char* name) {
  std::optional<VLSystemColor> color = systemColorNamed(name);
  if (!color) return ui::Color::black();
  return VLThemeManager::shared().appearanceMode() == 1 ? color->dark : color->light;
}

void applyTint(ui::ImageView& imageView, const AssetKey& key) {
  if (!key || key->empty()) return;
  std::optional<ui::Color> color = colorOf(key);
  if (!color) {
    imageView.setContentTintColor(std::nullopt);
    return;
  }
  if (const ui::ImageRef& image = imageView.image()) {
    if (ui::ImageRef tinted = tintedImage(*image, *color)) imageView.setImage(std::move(tinted));
  }
  imageView.setContentTintColor(*color);
}

void applyFieldTextColor(ui::TextField& field, const AssetKey& key) {
  field.setTextColor(colorOf(key).value_or(systemColorInCurrentMode("controlTextColor")));
}

void applyTextViewTextColor(ui::TextView& textView, const AssetKey& key) {
  textView.setTextColor(colorOf(key).value_or(systemColorInCurrentMode("textColor")));
}

std::uint8_t byteOf(double component) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(component, 0.0, 1.0) * 255));
}

}  // namespace

// --- views ----------------------------------------------------------------------------------------------

void setBackgroundColorAssetKey(ui::View& view, AssetKey key) {
  // Followed from its first key, so a view that draws with the key is redrawn after every change.
  storeKey(view, kBackgroundSlot, std::move(key));
  view.setNeedsDisplay(true);
}

AssetKey backgroundColorAssetKey(const ui::View& view) { return viewKey(view, kBackgroundSlot); }

void lightOrDarkChanged(ui::View& view) { view.setNeedsDisplay(true); }

VLThemeManager& themeManager(ui::View& view) {
  VLAssetKeyStore::shared().follow(handleOf(view));
  return VLThemeManager::shared();
}

// --- scroll views ---------------------------------------------------------------------------------------

void setBackgroundColorAssetKey(ui::ScrollView& scrollView, AssetKey key) {
  storeKey(scrollView, kBackgroundSlot, key);
  scrollView.setBackgroundColor(colorOf(key).value_or(ui::Color::clear()));
}

AssetKey backgroundColorAssetKey(const ui::ScrollView& scrollView) {
  return viewKey(scrollView, kBackgroundSlot);
}

void lightOrDarkChanged(ui::ScrollView& scrollView) {
  if (auto key = backgroundColorAssetKey(scrollView))
    scrollView.setBackgroundColor(colorOf(key).value_or(ui::Color::clear()));
}

// --- tables ---------------------------------------------------------------------------------------------

void setBackgroundColorAssetKey(ui::TableView& table, AssetKey key) {
  storeKey(table, kBackgroundSlot, key);
  table.setBackgroundColor(colorOf(key));
}

AssetKey backgroundColorAssetKey(const ui::TableView& table) { return viewKey(table, kBackgroundSlot); }

void lightOrDarkChanged(ui::TableView& table) {
  if (auto key = backgroundColorAssetKey(table)) table.setBackgroundColor(colorOf(key));
}

// --- row views ------------------------------------------------------------------------------------------

void setBackgroundColorAssetKey(ui::TableRowView& row, AssetKey key) {
  storeKey(row, kBackgroundSlot, key);
  row.setBackgroundColor(colorOf(key));
}

AssetKey backgroundColorAssetKey(const ui::TableRowView& row) { return viewKey(row, kBackgroundSlot); }

void lightOrDarkChanged(ui::TableRowView& row) {
  row.setBackgroundColor(colorOf(backgroundColorAssetKey(row)));
}

// --- buttons --------------------------------------------------------------------------------------------

void lightOrDarkChanged(ui::Button&) {}

// --- image views ----------------------------------------------------------------------------------------

void setTintColorAssetKey(ui::ImageView& imageView, AssetKey key) {
  storeKey(imageView, kTintSlot, key);
  applyTint(imageView, key);
}

AssetKey tintColorAssetKey(const ui::ImageView& imageView) { return viewKey(imageView, kTintSlot); }

void lightOrDarkChanged(ui::ImageView& imageView) { applyTint(imageView, tintColorAssetKey(imageView)); }

ui::ImageRef tintedImage(const ui::Image& image, const ui::Color& color) {
  if (!image.hasPixels()) return nullptr;
  const std::uint8_t red = byteOf(color.red), green = byteOf(color.green), blue = byteOf(color.blue);
  const double alpha = std::clamp(color.alpha, 0.0, 1.0);
  const std::vector<std::uint8_t>& source = image.pixels();
  std::vector<std::uint8_t> pixels(source.size());
  for (std::size_t i = 0; i + 3 < source.size(); i += 4) {
    pixels[i] = red;
    pixels[i + 1] = green;
    pixels[i + 2] = blue;
    pixels[i + 3] = static_cast<std::uint8_t>(std::lround(alpha * source[i + 3]));
  }
  return std::make_shared<const ui::Image>(image.size(), image.pixelsWide(), image.pixelsHigh(),
                                           std::move(pixels), image.name());
}

// --- text fields ----------------------------------------------------------------------------------------

void setTextColorAssetKey(ui::TextField& field, AssetKey key) {
  storeKey(field, kTextSlot, key);
  applyFieldTextColor(field, key);
}

AssetKey textColorAssetKey(const ui::TextField& field) { return viewKey(field, kTextSlot); }

void lightOrDarkChanged(ui::TextField& field) { applyFieldTextColor(field, textColorAssetKey(field)); }

// --- text views -----------------------------------------------------------------------------------------

void setTextColorAssetKey(ui::TextView& textView, AssetKey key) {
  storeKey(textView, kTextSlot, key);
  applyTextViewTextColor(textView, key);
}

AssetKey textColorAssetKey(const ui::TextView& textView) { return viewKey(textView, kTextSlot); }

void setBackgroundColorAssetKey(ui::TextView& textView, AssetKey key) {
  storeKey(textView, kBackgroundSlot, key);
  textView.setBackgroundColor(colorOf(key).value_or(ui::Color::clear()));
}

AssetKey backgroundColorAssetKey(const ui::TextView& textView) { return viewKey(textView, kBackgroundSlot); }

void lightOrDarkChanged(ui::TextView& textView) {
  if (auto key = textColorAssetKey(textView)) applyTextViewTextColor(textView, key);
  if (auto key = backgroundColorAssetKey(textView))
    textView.setBackgroundColor(colorOf(key).value_or(ui::Color::clear()));
}

}  // namespace vl
