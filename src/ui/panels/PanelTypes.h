#pragma once

#include <any>
#include <vector>

namespace vl {

// What a caller hands to a panel or slide when showing it; the panel passes the elements, in order, to
// the root page of its navigation.
using PanelParams = std::vector<std::any>;

// Keys of the registries, registered at start-up.
inline constexpr const char* kPanelPinDetail = "vellisto_panel_pindetail";
inline constexpr const char* kPanelPinMove = "vellisto_panel_pinmove";
inline constexpr const char* kPanelDataSync = "vellisto_panel_datasync";
inline constexpr const char* kPanelSyncDevices = "vellisto_panel_syncdevices";
inline constexpr const char* kPanelSyncSwitch = "vellisto_panel_syncswitch";
inline constexpr const char* kPanelSyncPassword = "vellisto_panel_syncpasswd";
inline constexpr const char* kSlideAutoPick = "vellisto_slide_autopick";
inline constexpr const char* kSlideAutoPickDetail = "vellisto_slide_autopickdetail";
inline constexpr const char* kPopoverPaste = "vellisto_popover_paste";

}  // namespace vl
