#pragma once

#include <memory>

#include "Windows/Preferences/GeneralRows.h"
#include "Windows/Preferences/PreferencesHooks.h"
#include "Windows/Preferences/StorageRows.h"
#include "ui/tabbar/VLViewController.h"

namespace vl {

// The General tab: eight rows, each bound to its settings and writing every change at once.
class GeneralViewController : public VLViewController, public SettingsPane {
 public:
  static constexpr double kWidth = 650;
  static constexpr double kHeight = 530;

  explicit GeneralViewController(PreferencesHooks hooks = {}) : hooks_(std::move(hooks)) {}

  void loadView() override;
  void viewDidLoad() override;
  // Leaving the tab stops this pane's recorder only.
  void viewWillDisappear() override;
  void reloadSettings() override;

  const std::shared_ptr<CheckBoxRow>& launchAtLogin() const { return launchAtLogin_; }
  const std::shared_ptr<DirectPasteSetting>& directPasteSetting() const { return directPasteSetting_; }
  const std::shared_ptr<Hotkey>& hotkey() const { return hotkey_; }
  const std::shared_ptr<SearchWay>& searchWay() const { return searchWay_; }
  const std::shared_ptr<ImageStore>& imageStore() const { return imageStore_; }
  const std::shared_ptr<MaxCharacters>& maxCharacters() const { return maxCharacters_; }
  const std::shared_ptr<CheckBoxRow>& animate() const { return animate_; }
  const std::shared_ptr<CheckBoxRow>& sound() const { return sound_; }

 private:
  PreferencesHooks hooks_;
  std::shared_ptr<CheckBoxRow> launchAtLogin_;
  std::shared_ptr<DirectPasteSetting> directPasteSetting_;
  std::shared_ptr<Hotkey> hotkey_;
  std::shared_ptr<SearchWay> searchWay_;
  std::shared_ptr<ImageStore> imageStore_;
  std::shared_ptr<MaxCharacters> maxCharacters_;
  std::shared_ptr<CheckBoxRow> animate_;
  std::shared_ptr<CheckBoxRow> sound_;
};

}  // namespace vl
