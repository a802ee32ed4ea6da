#pragma once

#include <memory>
#include <string>

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/PopUpButton.h"
#include "platform/ui/text/TextView.h"
#include "ui/controls/ButtonTextView.h"

namespace vl::pane {

// The parts every preferences row is made of, each already added to `parent`. Texts are string-table
// keys; colours are theme keys, so the parts follow light and dark.

// The column of the rows' right-aligned titles: it ends a few points before the controls at x 230.
constexpr double kTitleX = 80;
constexpr double kTitleWidth = 145;

// A right-aligned title (or left-aligned label) in the system font at 13 points.
std::shared_ptr<ButtonTextView> title(ui::View& parent, const ui::Rect& frame, const std::string& key,
                                      bool rightAligned = true);
// A grey explanation at 12 points that cannot be edited.
std::shared_ptr<ui::TextView> tip(ui::View& parent, const ui::Rect& frame, const std::string& key);
// A check box or radio button (20 x 20) sending `action` to `target`.
std::shared_ptr<ui::Button> toggle(ui::View& parent, ui::Point origin, ui::ButtonType type,
                                   const std::shared_ptr<ui::ActionTarget>& target,
                                   const std::string& action);
// A pop-up of 100 x 20 unless `size` says otherwise.
std::shared_ptr<ui::PopUpButton> popUp(ui::View& parent, ui::Point origin,
                                       const std::shared_ptr<ui::ActionTarget>& target,
                                       const std::string& action, ui::Size size = {100, 20});
// The state a check box or radio button shows for a stored flag, and back.
inline int stateOf(bool on) { return on ? 1 : 0; }
inline bool isOn(const ui::Control& control) { return control.state() == 1; }

}  // namespace vl::pane
