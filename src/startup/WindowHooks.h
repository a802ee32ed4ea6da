#pragma once

#include <optional>
#include <string>

#include "platform/system/PointerLocation.h"
#include "platform/ui/graphics/Geometry.h"

namespace vl {

// The hooks that the toolkit's panels, the rows, the paste popover and the themed fields declare for
// the history windows, answered by the windows registered just before: a panel that drops down takes
// the keyboard from the search field and locks the preview, toolbar and sync bar; the paste popover
// points at the tray icon; rows find the browser; the record window's row menu deletes its entry.
// Run once the windows are registered.
void installWindowHooks();

// Where the paste popover shows: the status item's icon when the tray tells where it is, else a small
// square at the pointer; nullopt when neither is known.
std::optional<ui::Rect> pastePopoverAnchor(const PointerLocationSource& pointer);

// The path of the browser that web searches open: the browser list's names stand for the desktop
// entries the browser is installed under; any other name is a desktop entry itself. "" when unknown.
std::string webSearchBrowserPath();

}  // namespace vl
