#include "Windows/Preferences/AdvancedViewController.h"

#include "Windows/Preferences/PaneParts.h"
#include "core/VLConfig.h"
#include "platform/foundation/Localization.h"

namespace vl {

std::shared_ptr<MergingCopyConfig> MergingCopyConfig::create(double width) {
  auto section = std::make_shared<MergingCopyConfig>(ui::Rect{0, 0, width, kHeight});
  section->build();
  return section;
}

void MergingCopyConfig::build() {
  setActionHandler("checked:", [this](ui::ActionTarget*) { checked(); });
  setActionHandler("systemClick:", [this](ui::ActionTarget*) { systemClick(); });
  setActionHandler("customClick:", [this](ui::ActionTarget*) { customClick(); });
  setActionHandler("systemPopUpSelected:", [this](ui::ActionTarget*) { systemPopUpSelected(); });
  auto self = shared_from_this();
  const double b = kHeight - 20;
  checkButton_ = pane::toggle(*this, {190, b}, ui::ButtonType::Switch, self, "checked:");
  titleView_ = pane::title(*this, {215, b + 2, 260, 18}, "pref.advanced.mergingCopy", false);
  tip1View_ = pane::tip(*this, {215, b - 36, 260, 36}, "pref.advanced.mergingCopy.explain");
  radioSystemButton_ = pane::toggle(*this, {215, b - 36 - 22}, ui::ButtonType::Radio, self, "systemClick:");
  systemSeparatorFixedTitle_ =
      pane::title(*this, {240, b - 56, 125, 18}, "pref.advanced.mergingCopy.systemSeparator", false);
  systemPopUpButton_ = pane::popUp(*this, {240, b - 91}, self, "systemPopUpSelected:", {180, 25});
  for (long i = 0; i < static_cast<long>(std::size(kSeparators)); ++i) {
    systemPopUpButton_->addItemWithTitle(localized(kSeparators[i].titleKey));
    systemPopUpButton_->lastItem()->setTag(i);
  }
  radioCustomButton_ = pane::toggle(*this, {215, b - 121}, ui::ButtonType::Radio, self, "customClick:");
  customSeparatorFixedTitle_ =
      pane::title(*this, {240, b - 119, 125, 18}, "pref.advanced.mergingCopy.customSeparator", false);
  customTextField_ = ui::TextField::create({240, b - 154, 180, 25});
  customTextField_->setDelegate(std::static_pointer_cast<MergingCopyConfig>(self));
  addSubview(customTextField_);
  reload();
}

std::optional<long> MergingCopyConfig::itemOfValue(const std::string& value) {
  for (long i = 0; i < static_cast<long>(std::size(kSeparators)); ++i) {
    if (value == kSeparators[i].value) return i;
  }
  return std::nullopt;
}

void MergingCopyConfig::reload() {
  VLConfig& config = VLConfig::shared();
  checkButton_->setState(pane::stateOf(config.getBoolValueOfKey(VLConfig::kMergingCopy)));
  checked();
  customTextField_->setStringValue(config.getStringValueOfKey(VLConfig::kSecondConnector).value_or(""));
  // A separator that no item stands for keeps its value until the user picks one; the menu shows none.
  const auto item = itemOfValue(config.getStringValueOfKey(VLConfig::kFirstConnector).value_or("\n"));
  if (item) {
    systemPopUpButton_->selectItemAtIndex(*item);
  } else {
    systemPopUpButton_->selectItem(nullptr);
  }
}

void MergingCopyConfig::checked() {
  const bool on = pane::isOn(*checkButton_);
  VLConfig::shared().setBoolValueOfKey(VLConfig::kMergingCopy, on);
  radioSystemButton_->setEnabled(on);
  radioCustomButton_->setEnabled(on);
  const bool system = VLConfig::shared().getBoolValueOfKey(VLConfig::kMergeWithFirstConnector);
  auto& radio = system ? radioSystemButton_ : radioCustomButton_;
  radio->setState(1);
  system ? systemClick() : customClick();
  // The chosen group follows the check box; the other one stays disabled.
  (system ? systemSeparatorFixedTitle_ : customSeparatorFixedTitle_)->setEnabled(on);
  if (system) {
    systemPopUpButton_->setEnabled(on);
  } else {
    customTextField_->setEnabled(on);
  }
}

void MergingCopyConfig::systemClick() {
  const bool s = pane::isOn(*radioSystemButton_);
  if (s) {
    radioCustomButton_->setState(0);
    customClick();
  }
  VLConfig::shared().setBoolValueOfKey(VLConfig::kMergeWithFirstConnector, s);
  systemSeparatorFixedTitle_->setEnabled(s);
  systemPopUpButton_->setEnabled(s);
}

void MergingCopyConfig::customClick() {
  const bool c = pane::isOn(*radioCustomButton_);
  if (c) {
    radioSystemButton_->setState(0);
    systemClick();
  }
  customSeparatorFixedTitle_->setEnabled(c);
  customTextField_->setEnabled(c);
}

void MergingCopyConfig::systemPopUpSelected() {
  auto item = systemPopUpButton_->selectedItem();
  if (!item || item->tag() < 0 || item->tag() >= static_cast<long>(std::size(kSeparators))) return;
  VLConfig::shared().setStringValueOfKey(VLConfig::kFirstConnector,
                                         std::string(kSeparators[item->tag()].value));
}

void MergingCopyConfig::controlTextDidChange(ui::TextField& field) {
  if (&field == customTextField_.get())
    VLConfig::shared().setStringValueOfKey(VLConfig::kSecondConnector, field.stringValue());
}

void AdvancedViewController::loadView() { setView(ui::View::create({0, 0, kWidth, kHeight})); }

void AdvancedViewController::viewDidLoad() {
  VLViewController::viewDidLoad();
  mergingCopyConfig()->setFrameOrigin({0, kHeight - 20 - MergingCopyConfig::kHeight});
}

const std::shared_ptr<MergingCopyConfig>& AdvancedViewController::mergingCopyConfig() {
  if (!mergingCopyConfig_) {
    mergingCopyConfig_ = MergingCopyConfig::create(view()->frame().width());
    view()->addSubview(mergingCopyConfig_);
  }
  return mergingCopyConfig_;
}

void AdvancedViewController::reloadSettings() {
  if (mergingCopyConfig_) mergingCopyConfig_->reload();
}

}  // namespace vl
