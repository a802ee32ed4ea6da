#include "Windows/Sync/SyncLook.h"

#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/text/TextMetrics.h"
#include "sync/discovery/IFConfig.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"
#include "ui/alert/Alert.h"
#include "ui/controls/ButtonPresets.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {

std::shared_ptr<PassthroughAndArrowCursorTextView> makeSyncLabel(double size, ui::TextAlignment alignment,
                                                                 std::size_t maxLines) {
  auto label = PassthroughAndArrowCursorTextView::create();
  label->setEditable(false);
  label->setSelectable(false);
  if (maxLines > 0) label->setMaximumNumberOfLines(maxLines);
  label->setFont(ui::Font::systemFont(size));
  label->setAlignment(alignment);
  label->setDrawsBackground(false);
  label->setTextContainerInset({0, 0});
  setTextColorAssetKey(*label, "fontNormalColor");
  return label;
}

std::shared_ptr<Button2> makeSyncActionButton(const std::string& titleKey,
                                              const std::shared_ptr<ui::ActionTarget>& target,
                                              const std::string& action) {
  return makeNavigationActionButton(localized(titleKey), target, action);
}

std::shared_ptr<Button2> makeSyncStatusButton(const std::string& rightImage) {
  auto button = Button2::create();
  button->setAlignment(ui::TextAlignment::Left);
  button->setRadius(5);
  button->setButtonBackgroundColorAssetKey(std::string("viceButtonBackgroundColor"));
  button->setButtonBackgroundHighlightedColorAssetKey(std::string("viceButtonHighlightedBackgroundColor"));
  button->setTextColorAssetKey(std::string("fontNormalColor"));
  button->setBorderWidth(1);
  button->setBorderColorAssetKey(std::string("viceButtonBorderColor"));
  button->setFont(VLFont::mainFont());
  button->setRightImageNamed(rightImage);
  return button;
}

namespace {

std::function<std::optional<std::string>()>& addressSource() {
  static std::function<std::optional<std::string>()> source;
  return source;
}

}  // namespace

std::optional<std::string> syncLocalAddress() {
  if (const auto& source = addressSource()) return source();
  return IFConfig::shared().localIP();
}

void setSyncLocalAddressSource(std::function<std::optional<std::string>()> source) {
  addressSource() = std::move(source);
}

std::string titleBeforeAccessories(const std::string& title, double rowWidth,
                                   const std::vector<std::shared_ptr<ModalTableItemAccessory>>& accessories) {
  // The row's inset, margin and title font.
  double room = rowWidth - 15 - 5 - 35;
  for (const auto& accessory : accessories) room -= accessory->frame().width();
  return ui::TextMetrics::truncateTail(title, ui::Font::systemFont(16), room);
}

ui::View* syncAlertHost() { return MainViewHooks::current().mainViewOrNull(); }

void focusMainSearchInput() {
  if (const auto& focus = PreviewColumnHooks::current().focusSearchInput) focus();
}

void showSyncMessage(const std::string& message) {
  ui::View* host = syncAlertHost();
  if (!host) return;
  auto alert = Alert::ofTitle(
      message, [] {}, nullptr);
  alert->showWithEscape(host);
  logDebug("sync: message shown over the main window");
}

}  // namespace vl
