#include "ui/controls/ButtonStates.h"

#include "platform/ui/view/TrackingArea.h"

namespace vl {

namespace {

void fill(AssetKey& state, const AssetKey& normal) {
  if (!state) state = normal;
}

}  // namespace

void fillEmptyStateKeys(const AssetKey& normal, AssetKey& highlighted, AssetKey& selected,
                        AssetKey& disabled) {
  fill(highlighted, normal);
  fill(selected, normal);
  fill(disabled, normal);
}

void addHoverTrackingArea(ui::View& view, bool& added) {
  if (added) return;
  auto me = view.self();
  if (!me) return;
  added = true;
  view.addTrackingArea(ui::TrackingArea::create(view.bounds(),
                                                ui::TrackingArea::MouseEnteredAndExited |
                                                    ui::TrackingArea::ActiveAlways |
                                                    ui::TrackingArea::InVisibleRect,
                                                me));
}

}  // namespace vl
