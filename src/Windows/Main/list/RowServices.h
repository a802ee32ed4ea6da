#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/graphics/Image.h"

namespace vl {

// An image of a record still arriving from another device. The sync side updates `fraction` and calls
// the blocks on the main thread; the row sets them.
struct RowTransfer {
  double fraction = 0;
  std::function<void()> onProgress;
  std::function<void()> onEnd;
};

// What a row needs from the desktop and from sync, installed by those who have it. Without an icon
// provider a row asks the workspace, and draws no icon where the workspace has none with pixels; without a
// transfer lookup (sync bar off) no row looks for transfers. Main thread only.
class RowServices {
 public:
  enum class IconKind { Application, File, Browser };
  // The workspace's icon for a desktop entry or a file path; nullptr when there is none.
  using IconProvider = std::function<ui::ImageRef(IconKind kind, const std::string& path)>;
  // The transfer of the record with this signature; nullptr when none is running.
  using TransferLookup = std::function<std::shared_ptr<RowTransfer>(const std::string& signature)>;
  // The path of the browser that opens web searches; "" when unknown.
  using BrowserPath = std::function<std::string()>;

  static void setIconProvider(IconProvider provider);
  static ui::ImageRef iconFor(IconKind kind, const std::string& path);
  // The workspace's icon at a row's size and the main screen's scale; nullptr where the workspace has
  // none with pixels. What rows show when nothing else is installed.
  static ui::ImageRef workspaceIcon(IconKind kind, const std::string& path);
  static void setTransferLookup(TransferLookup lookup);
  static bool looksForTransfers();
  static std::shared_ptr<RowTransfer> transferOf(const std::string& signature);
  static void setBrowserPath(BrowserPath path);
  // The desktop entry of the browser web searches open; "" without a lookup installed.
  static std::string browserPath();

  // Whether each lookup is installed (start-up is checked for them).
  static bool hasIconProvider();
  static bool hasBrowserPath();
};

}  // namespace vl
