#pragma once

#include <string>

namespace vl::paint {

// Makes the toolkit measure text with Pango (PangoTextEngine::shared()) and decode images with Cairo
// (CairoImageLoader), so that what windows lay out is what paintDisplayList paints. Call before windows
// lay out text; calling again changes nothing.
void installDesktopPainting();
// Back to the headless metrics and header-only image reading (tests that compare both).
void uninstallDesktopPainting();
bool desktopPaintingInstalled();
// The desktop's UI font for the toolkit's system font ("Cantarell 11", as XSETTINGS Gtk/FontName gives
// it); see PangoTextEngine::setSystemFontDescription.
void setSystemFontDescription(const std::string& description);

}  // namespace vl::paint
