#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/text/ParagraphStyle.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/controls/Button2.h"
#include "ui/modaltable/ModalTableItemAccessory.h"

namespace vl {

namespace ui {
class ActionTarget;
class View;
}  // namespace ui

// The looks the sync screens share, so every page and both status views of the bar read alike.

// A line of text that lets clicks through: `size` points of the system font, clear background, the
// normal text colour, not editable or selectable.
std::shared_ptr<PassthroughAndArrowCursorTextView> makeSyncLabel(double size, ui::TextAlignment alignment,
                                                                 std::size_t maxLines = 1);

// A page's action button (the bar's right item): 65 x 30 at (0, 5), accent background, white title.
std::shared_ptr<Button2> makeSyncActionButton(const std::string& titleKey,
                                              const std::shared_ptr<ui::ActionTarget>& target,
                                              const std::string& action);

// The status views' button: left-aligned title, an image at its right end, outlined.
std::shared_ptr<Button2> makeSyncStatusButton(const std::string& rightImage);

// This device's IPv4 address on the sync interface (IFConfig, cached); none when it has none. Tests
// put a source of their own in; nullptr restores IFConfig.
std::optional<std::string> syncLocalAddress();
void setSyncLocalAddressSource(std::function<std::optional<std::string>()> source);

// A row's title cut with an ellipsis to end 5 points before the row's right accessories, as the rows
// leave their titles the whole width.
std::string titleBeforeAccessories(const std::string& title, double rowWidth,
                                   const std::vector<std::shared_ptr<ModalTableItemAccessory>>& accessories);

// The main view the sync alerts show over; nullptr before the main window exists.
ui::View* syncAlertHost();
// Gives the search field of the main window the keyboard focus.
void focusMainSearchInput();
// A one-button message over the main view that Escape also closes.
void showSyncMessage(const std::string& message);

}  // namespace vl
