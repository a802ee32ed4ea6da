#pragma once

#include <memory>

#include "Windows/Permission/DirectPasteObstacle.h"
#include "platform/ui/view/View.h"
#include "theme/VLThemeCategories.h"
#include "ui/Line.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/controls/Button2.h"
#include "ui/view/VLVisualEffectView.h"

namespace vl {

// The permission window's content: above, a picture of the chord direct paste presses; below, what
// direct paste does and what this desktop lacks for it, and what pasting by hand means, each with its
// button. Main thread only.
class PermissionView2 : public VLThemed<ui::View> {
 public:
  static constexpr const char* kBackgroundKey = "vellistoRedGradinet";

  explicit PermissionView2(const ui::Rect& frame = {}) : VLThemed<ui::View>(frame) {}
  // `session` decides what the upper section says is missing; by default the running program's.
  static std::shared_ptr<PermissionView2> create(const ui::Rect& frame = {},
                                                 PasteSession (*session)() = currentPasteSession);

  // Reads the session again and says what is missing now.
  void showObstacle();
  // The same, and closes the window once nothing is missing.
  void checkAgainClick();
  // Shows the preferences window, where direct paste is switched off; that closes this one.
  void openVellistoPreferencesClick();
  DirectPasteObstacle obstacle() const { return obstacle_; }

  const std::shared_ptr<ui::View>& upContentView() const { return upContentView_; }
  const std::shared_ptr<ui::View>& maskView() const { return maskView_; }
  const std::shared_ptr<VLVisualEffectView>& downContentView() const { return downContentView_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& systemIntegration() const {
    return systemIntegration_;
  }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& directPaste1() const { return directPaste1_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& directPaste2() const { return directPaste2_; }
  const std::shared_ptr<Line>& directPasteLine() const { return directPasteLine_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& indirectPaste1() const { return indirectPaste1_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& indirectPaste2() const { return indirectPaste2_; }
  const std::shared_ptr<Button2>& openVellistoPreferencesButton() const {
    return openVellistoPreferencesButton_;
  }

  void drawRect(const ui::Rect& dirtyRect) override;
  void setFrameSize(ui::Size size) override;

 private:
  void build();
  void layout();

  PasteSession (*session_)() = currentPasteSession;
  DirectPasteObstacle obstacle_ = DirectPasteObstacle::None;
  std::shared_ptr<ui::View> upContentView_;
  std::shared_ptr<ui::View> maskView_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> chordView_;
  std::shared_ptr<VLVisualEffectView> downContentView_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> systemIntegration_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> directPaste1_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> directPaste2_;
  std::shared_ptr<Line> directPasteLine_;
  std::shared_ptr<Button2> checkAgainButton_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> indirectPaste1_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> indirectPaste2_;
  std::shared_ptr<Button2> openVellistoPreferencesButton_;
};

}  // namespace vl
