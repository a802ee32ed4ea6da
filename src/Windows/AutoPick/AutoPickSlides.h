#pragma once

#include <memory>

#include "ui/navigation/ModalNavigationController.h"
#include "ui/panels/AbstractSlide.h"

namespace vl {

class SelectAutoPickTagsController;
class AutoPickTagDetailController;

// The rule picker beside the pin tab form. Parameters: [pin tab identifier (string), the editor
// (shared_ptr<AutoPickTagsEditor>)]. Clicks on it never reach the views beneath.
class AutoPickSlide : public AbstractSlide {
 public:
  static constexpr double kWidth = 300;
  static constexpr double kHeight = 376;

  AutoPickSlide();
  void frameSizeDidSet(ui::Size size) override;
  void showWithParams(const PanelParams& params) override;
  void dismiss() override;
  void mouseDown(const ui::Event&) override {}

  std::shared_ptr<SelectAutoPickTagsController> page() const;
  const std::shared_ptr<ModalNavigationController>& navigationController() const { return nav_; }

 private:
  std::shared_ptr<ModalNavigationController> nav_;
};

// One rule's detail. Parameters: [the node (shared_ptr<AutoPickNode>), editable (bool)].
class AutoPickDetailSlide : public AbstractSlide {
 public:
  AutoPickDetailSlide();
  void frameSizeDidSet(ui::Size size) override;
  void showWithParams(const PanelParams& params) override;
  void dismiss() override;

  std::shared_ptr<AutoPickTagDetailController> page() const;
  const std::shared_ptr<ModalNavigationController>& navigationController() const { return nav_; }

 private:
  std::shared_ptr<ModalNavigationController> nav_;
};

// Registers both slides with the slide registry; start-up calls it once.
void registerAutoPickSlides();

}  // namespace vl
