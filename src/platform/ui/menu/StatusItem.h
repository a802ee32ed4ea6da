#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/controls/Button.h"
#include "platform/ui/menu/Menu.h"
#include "platform/ui/window/Panel.h"

namespace vl::ui {

class StatusItem;

// Shows status items in the desktop's own tray instead of the toolkit's window along the top of the
// screen. Installed on the status bar by start-up; told on the main thread. While one is installed the
// item windows stay hidden (their frames are still kept, for anchoring).
class StatusItemBackend {
 public:
  virtual ~StatusItemBackend() = default;
  // The item appeared, or what it shows changed: image, menu, visibility.
  virtual void statusItemChanged(const std::shared_ptr<StatusItem>& item) = 0;
  // The item is going away; `item` is only an identity by then.
  virtual void statusItemRemoved(const StatusItem* item) = 0;
  // Where the desktop shows the item's icon, in screen points; nullopt when the tray does not tell.
  virtual std::optional<Rect> iconFrame(const StatusItem& /*item*/) { return std::nullopt; }
  // Whether the tray behind the items is dark, where the backend can tell (its colours, or a sample of
  // its background); nullopt when it cannot. A backend that learns a new shade tells
  // StatusBar::hostBackgroundChanged on the main thread.
  virtual std::optional<bool> hostBackgroundIsDark() const { return std::nullopt; }
};

// A one-colour picture that a tray host may draw in its own foreground colour: the icon name it is known
// by and an SVG of its shapes. Hosts that look icons up by name show it instead of the image, in the shade
// that suits their background; the others show the image.
struct SymbolicIcon {
  std::string name;
  std::string svg;
  bool operator==(const SymbolicIcon&) const = default;
};

inline constexpr double kVariableStatusItemLength = -1;
inline constexpr double kSquareStatusItemLength = -2;

// The button of a status item. It shows its alternate image while highlighted (while its menu is open or
// it is pressed), and a click opens the item's menu when it has one, else sends the button's action.
class StatusBarButton : public Button {
 public:
  explicit StatusBarButton(StatusItem* item);
  StatusItem* statusItem() const { return item_; }

  void setImage(ImageRef image) override;
  void setAlternateImage(ImageRef image) override;
  void setHighlighted(bool highlighted) override;
  void mouseDown(const Event& event) override;

 protected:
  bool showsAlternate() const override { return isHighlighted(); }

 private:
  friend class StatusItem;
  StatusItem* item_;
};

// An item in the desktop's status bar: a button (image, alternate image, title) and optionally a menu.
// Its button lives in a small window at the top of the main screen, so popovers can be anchored to its
// bounds. The headless backend records every image the button shows, in order. Held by shared_ptr: the
// status bar keeps only a weak reference, so dropping the item removes it. Main thread only.
class StatusItem : public std::enable_shared_from_this<StatusItem> {
 public:
  explicit StatusItem(double length);
  ~StatusItem();

  double length() const { return length_; }
  void setLength(double length);
  const std::shared_ptr<StatusBarButton>& button() const { return button_; }
  const std::shared_ptr<Menu>& menu() const { return menu_; }
  void setMenu(std::shared_ptr<Menu> menu);
  // The one-colour form of what the button shows now, for hosts that recolour icons; nullopt when the
  // picture has colours of its own.
  const std::optional<SymbolicIcon>& symbolicIcon() const { return symbolicIcon_; }
  void setSymbolicIcon(std::optional<SymbolicIcon> icon);
  bool isVisible() const { return visible_; }
  // The window holding the button.
  const std::shared_ptr<Panel>& window() const { return window_; }

  // Where the icon stands on screen: as the desktop's tray reports it while a backend shows the item,
  // else the item's own window; nullopt when neither can tell.
  std::optional<Rect> iconFrameOnScreen() const;

  // Opens the menu under the button, the button highlighted while it is open.
  void popUpStatusItemMenu(const std::shared_ptr<Menu>& menu);

  // What the button shows now: the name of the displayed image ("" without one).
  std::string displayedImageName() const;
  // Every image name the button showed, oldest first (repeats of the same image are recorded once).
  const std::vector<std::string>& shownImageNames() const { return shown_; }
  void clearShownImageNames() { shown_.clear(); }

 private:
  friend class StatusBar;
  friend class StatusBarButton;
  void recordShown();
  double width() const;

  double length_;
  std::shared_ptr<StatusBarButton> button_;
  std::shared_ptr<Panel> window_;
  std::shared_ptr<Menu> menu_;
  std::optional<SymbolicIcon> symbolicIcon_;
  bool visible_ = true;
  std::vector<std::string> shown_;
};

// The desktop's status bar: a row of items along the top of the main screen, the newest leftmost.
class StatusBar {
 public:
  static StatusBar& system();
  static StatusBar& shared() { return system(); }
  static constexpr double kThickness = 24;
  // Posted (object: the bar) when the backend learned a new shade of the tray behind the items.
  static constexpr const char* kHostBackgroundChangedNotification = "VLStatusBarHostBackgroundChanged";

  std::shared_ptr<StatusItem> statusItemWithLength(double length);
  // Live items, oldest first.
  std::vector<std::shared_ptr<StatusItem>> items() const;
  // Places the item windows along the bar.
  void layout();

  // nullptr goes back to the toolkit's own windows. The new backend is told of every live item.
  void setBackend(std::shared_ptr<StatusItemBackend> backend);
  const std::shared_ptr<StatusItemBackend>& backend() const { return backend_; }
  // The backend's answer; nullopt without a backend or when it cannot tell.
  std::optional<bool> hostBackgroundIsDark() const;
  // Main thread: posts kHostBackgroundChangedNotification.
  void hostBackgroundChanged();

 private:
  friend class StatusItem;
  void itemChanged(StatusItem& item);
  void itemGone(const StatusItem* item);

  std::vector<std::weak_ptr<StatusItem>> items_;
  std::shared_ptr<StatusItemBackend> backend_;
};

}  // namespace vl::ui
