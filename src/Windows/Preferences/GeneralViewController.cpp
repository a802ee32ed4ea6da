#include "Windows/Preferences/GeneralViewController.h"

#include "core/VLConfig.h"
#include "platform/foundation/NotificationCenter.h"

namespace vl {

namespace {

CheckBoxRow::Binding flag(const char* titleKey, const char* explainKey, long key) {
  return {titleKey, explainKey, [key] { return VLConfig::shared().getBoolValueOfKey(key); },
          [key](bool on) {
            VLConfig::shared().setBoolValueOfKey(key, on);
            return true;
          }};
}

}  // namespace

void GeneralViewController::loadView() { setView(ui::View::create({0, 0, kWidth, kHeight})); }

void GeneralViewController::viewDidLoad() {
  VLViewController::viewDidLoad();
  const double W = kWidth;
  CheckBoxRow::Binding login =
      flag("pref.general.startup", "pref.general.launchAtLogin", VLConfig::kLaunchAtLogin);
  if (hooks_.launchAtLogin) login.write = hooks_.launchAtLogin;
  launchAtLogin_ = CheckBoxRow::create(W, std::move(login));
  directPasteSetting_ = DirectPasteSetting::create(W);
  hotkey_ = Hotkey::create(W, hooks_.registerMainHotKey);
  hotkey_->setController(this);
  searchWay_ = SearchWay::create(W);
  imageStore_ = ImageStore::create(W);
  maxCharacters_ = MaxCharacters::create(W);
  animate_ = CheckBoxRow::create(
      W, flag("pref.general.copyAnimate", "pref.general.enableCopyAnimate", VLConfig::kAnimateStatusItem));
  sound_ = CheckBoxRow::create(
      W, flag("pref.general.copySound", "pref.general.enableCopySound", VLConfig::kPlaySound));

  // Rows stack from the top, each with its gap above it. No row shows the thinking bar on a keyboard's
  // touch strip: there is no such hardware here, so it could change nothing (key 101 stays as stored).
  struct Slot {
    std::shared_ptr<ui::View> row;
    double gap;
  };
  const Slot slots[] = {{launchAtLogin_, 0}, {directPasteSetting_, 20}, {hotkey_, 20},  {searchWay_, 20},
                        {imageStore_, 20},   {maxCharacters_, 20},      {animate_, 15}, {sound_, 15}};
  double y = kHeight - 20 - 20 + CheckBoxRow::kHeight;
  for (const Slot& slot : slots) {
    y -= slot.gap + slot.row->frame().height();
    slot.row->setFrameOrigin({0, y});
    view()->addSubview(slot.row);
  }
  reloadSettings();
}

void GeneralViewController::viewWillDisappear() {
  VLViewController::viewWillDisappear();
  NotificationCenter::defaultCenter().post(HotkeyTextField::kShouldStopMonitor, this);
}

void GeneralViewController::reloadSettings() {
  if (!isViewLoaded()) return;
  for (CheckBoxRow* row : {launchAtLogin_.get(), animate_.get(), sound_.get()}) row->reload();
  directPasteSetting_->reload();
  hotkey_->reload();
  searchWay_->reload();
  imageStore_->reload();
  maxCharacters_->reload();
}

}  // namespace vl
