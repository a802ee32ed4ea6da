#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Json.h"

namespace vl {

namespace ui {
class Menu;
}
class DisplayAttributedString;

// What the record list shows in the preview for its last selected row.
struct PreviewNotice {
  std::shared_ptr<DisplayAttributedString> row;
  std::string viewCls;
  bool isClipboardItem = false;
  double timestamp = -1;
  std::optional<Json> json;
};

// The record list's ties to the rest of the main window: the search field, the preview, the thinking
// bar, the toolbar and the panels. The window installs them; each empty one does nothing.
struct HintTableHooks {
  std::function<std::string()> searchText;
  std::function<bool()> blocked;
  // Asks the record store for the next page of the unfiltered list.
  std::function<void()> loadMore;
  // Answers whether the active tab asked for the arrival animation, and clears the request.
  std::function<bool()> takeArrivalAnimation;
  std::function<void(const PreviewNotice&)> preview;
  std::function<void()> clearPreview;
  std::function<void()> refreshThinkingBar;
  std::function<void()> stashThinkingBar;
  std::function<void()> paste;
  std::function<void(bool)> enableAliasText;
  std::function<bool()> previewOff;
  std::function<std::shared_ptr<ui::Menu>()> rowMenu;
};

}  // namespace vl
