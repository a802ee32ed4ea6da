#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/VLConstants.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DistributedNotificationCenter.h"
#include "platform/foundation/Json.h"

namespace vl {

// The exchange with the separate preferences program: distributed notification names, the hot-key
// refresh it asks for, and the snippets mirror kept in the shared settings (keys 106 and 110).
class VLAppNotifcationCenter {
 public:
  static constexpr const char* kKillPreferences = "VELLISTO_killPreferences";

  // The status bar's hot-key registration (id, description, key code, modifiers, double tap).
  // `modifierFlags` are the event flag bits as stored in the settings; the installer converts them to
  // the registration mask, which the shortcut editor owns.
  using RegisterHotKeyHook =
      std::function<void(std::int64_t hotKeyID, const std::string& desc, std::int64_t code,
                         std::int64_t modifierFlags, bool doubleTap)>;

  // The record store's side of the snippets exchange, installed by the store at start. Every call
  // concerns the clipboard tab.
  class SnippetsStore {
   public:
    struct AliasRecord {
      std::string signature;  // the record's 32-character MD5 signature
      std::string context;
      std::string alias;
      std::string timestamp;  // "%f" seconds since 1970, as stored
      Json json;              // the record's json; null or {} when it has none
    };
    virtual ~SnippetsStore() = default;
    // Deletes the record with this signature, searching from the head doc.
    virtual void delChunkByDigest(const std::string& digest) = 0;
    // Whether the clipboard tab holds a record with exactly this text and no json.
    virtual bool findContext(const std::string& context) = 0;
    // Gives that record the alias and a new time stamp.
    virtual void updateContext(const std::string& context, const std::string& alias) = 0;
    // A new record with this text and alias, no rich text and no json.
    virtual void append(const std::string& context, const std::string& alias) = 0;
    // Drops the clipboard tab's cached match list, under the lock of the cached object.
    virtual void clearClipboardCachedFile() = 0;
    // Every record that carries an alias.
    virtual std::vector<AliasRecord> getHasAliasChunks() = 0;
  };

  // defaultCenter: observes the preferences program on the default distributed centre.
  static VLAppNotifcationCenter& shared();
  static VLAppNotifcationCenter& defaultCenter() { return shared(); }

  // A centre observing `center` (tests use a private socket folder).
  explicit VLAppNotifcationCenter(DistributedNotificationCenter& center);
  ~VLAppNotifcationCenter();
  VLAppNotifcationCenter(const VLAppNotifcationCenter&) = delete;
  VLAppNotifcationCenter& operator=(const VLAppNotifcationCenter&) = delete;

  static std::string getFetchNameOfGroupUserDefaultsKey(long key);
  static std::string getUpdateNameOfGroupUserDefaultsKey(long key);
  static std::string getSendNameOfGroupUserDefaultsKey(long key);

  // Installed by the status bar; until then a refresh only logs.
  void setRegisterHotKeyHook(RegisterHotKeyHook hook);
  bool hasRegisterHotKeyHook() const;
  bool hasSnippetsStore() const { return snippetsStore() != nullptr; }
  // Re-registers the main hot key from settings key 1.
  void updateHotkey();

  void setSnippetsStore(std::shared_ptr<SnippetsStore> store);
  // mergeSnippets on the centre's concurrent queue. The centre must outlive the merge, as the shared
  // one does (it lives until exit).
  void mergeSnippetsInBackground();
  // Applies the change list of key 106 when key 110 is set; true when a merge was done.
  bool mergeSnippets();
  // Writes every aliased record back to key 106, newest first, and clears key 110; a change list
  // waiting in key 106 is merged first.
  void saveSnippets();

 private:
  std::shared_ptr<SnippetsStore> snippetsStore() const;
  // mergeSnippets with mergeMutex_ held.
  bool mergeLocked();
  void saveSnippets(SnippetsStore& store);

  DistributedNotificationCenter& center_;
  std::uint64_t observerId_ = 0;
  std::shared_ptr<dispatch::Queue> queue_;
  mutable std::mutex mutex_;
  RegisterHotKeyHook registerHotKey_;
  std::shared_ptr<SnippetsStore> store_;
  // Two merges at once would apply one change list twice, and a write-back between a merge's read and
  // its write would be lost: merges and write-backs run one after the other.
  std::mutex mergeMutex_;
};

}  // namespace vl
