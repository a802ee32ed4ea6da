#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "core/keys/HokeyStruct.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/UserDefaults.h"

namespace vl {

// Every setting of the program, under a small integer key in the application group's defaults suite.
// The preferences tool reads and writes the same suite, so a value may change between two reads; every
// getter reads the suite afresh. Thread-safe.
class VLConfig {
 public:
  // The keys. Each is stored under its decimal text ("102").
  enum Key : long {
    kLaunchAtLogin = 0,              // boolean
    kMainHotKey = 1,                 // hot key of the main window
    kPreferencesActive = 3,          // boolean, written by the preferences tool only
    kDeviceUUID = 5,                 // string
    kStatusIconColor = 100,          // string
    kTouchBarCustomization = 101,    // boolean
    kMaxTextLength = 102,            // integer; 0 keeps all
    kWebSearch = 104,                // dictionary
    kImageStorage = 105,             // dictionary
    kSnippetsMirror = 106,           // any value
    kIgnoredApps = 107,              // dictionary
    kUserShortcuts = 108,            // dictionary: name -> shortcut dictionary
    kBookmarks = 109,                // dictionary
    kSnippetsMerge = 110,            // boolean
    kWindowOrigins = 111,            // list
    kFixedShortcuts = 112,           // dictionary: name -> shortcut dictionary, rewritten at every start
    kAnimateStatusItem = 113,        // boolean
    kPlaySound = 114,                // boolean
    kMergingCopy = 115,              // boolean
    kMergeWithFirstConnector = 116,  // boolean
    kFirstConnector = 117,           // string
    kSecondConnector = 118,          // string
    kPasteDirectly = 119,            // boolean
    kShowPastePopover = 120,         // boolean
    kThemeName = 121,                // string
    kRecordHotKey = 122,             // hot key of the record window
    kPreferencesOnly = 123,          // boolean, kept for the preferences tool
  };

  // Created on first use; creating it writes the default of every unset key and rewrites key 112.
  static VLConfig& shared();
  // Drops the shared store so the next shared() creates it again over the current HOME; reset the
  // user defaults first. References handed out earlier stay valid but read the old suite.
  static void resetForTesting();

  VLConfig(const VLConfig&) = delete;
  VLConfig& operator=(const VLConfig&) = delete;

  UserDefaults& groupUserDefaults() { return *defaults_; }
  // A scratch dictionary that lives as long as the process and is never stored.
  Json& memoryDict() { return memoryDict_; }

  // The stored value, or nothing.
  std::optional<Json> getValueOfKey(long key);
  // false when nothing is stored.
  bool getBoolValueOfKey(long key);
  // The stored value as a 32-bit integer (clamped, not wrapped), widened; 0 when nothing is stored.
  long long getIntegerValueOfKey(long key);
  // The stored text; nothing when the key holds nothing or something else than text.
  std::optional<std::string> getStringValueOfKey(long key);
  // The four fields of the stored dictionary (a missing field reads 0 / NO); the empty hot key when
  // nothing is stored. Something else than a dictionary reads as the key's default hot key (logged),
  // or the empty one for a key that has none.
  HokeyStruct getHotkeyValueOfKey(long key);

  // With setWhenNil nothing happens when the key holds any value; otherwise the value is stored and a
  // null value (or an absent text) removes the key.
  void setValueOfKey(long key, const Json& value, bool setWhenNil = false);
  void setBoolValueOfKey(long key, bool value, bool setWhenNil = false);
  void setIntegerValueOfKey(long key, long long value, bool setWhenNil = false);
  void setStringValueOfKey(long key, const std::optional<std::string>& value, bool setWhenNil = false);
  // With setWhenNil nothing happens unless the stored value reads as the empty hot key.
  void setHotkeyValueOfKey(long key, const HokeyStruct& value, bool setWhenNil = false);

  // {"modifier": flags, "code": code}, the stored form of a key press.
  static Json shortcutDictionayWithModifierFlags(long long flags, long long keyCode);
  // The nine fixed in-window shortcuts that key 112 holds.
  static Json fixedShortcuts();
  static Json hotkeyDictionary(const HokeyStruct& value);
  // The hot key a fresh install stores under the main or the record window's key; nothing for another.
  static std::optional<HokeyStruct> defaultHotkeyOfKey(long key);

 private:
  VLConfig();
  void writeDefaults();

  UserDefaults* defaults_;
  Json memoryDict_ = Json::object();
  // Makes each check-then-set of setWhenNil one step for the threads of this process.
  std::recursive_mutex mutex_;
};

}  // namespace vl
