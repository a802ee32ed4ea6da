#pragma once

// Values that several layers share and that stored files, peers or the preferences program rely on:
// each is defined here once.
namespace vl {

// The clipboard history's tab: its docs live in the store's data folder, not in a pin folder.
inline constexpr const char* kClipboardPinTabId = "00000000-0000-0000-0000-000000000000";

// The registry key of the record window (the floating paste queue).
inline constexpr const char* kRecordWindowKey = "vellisto_record";

inline constexpr const char* kPreferencesAppId = "com.norrak.vellisto.pref.pro";

inline constexpr const char* kShortVersion = "1.0.0";
inline constexpr const char* kBuildVersion = "1";

}  // namespace vl
