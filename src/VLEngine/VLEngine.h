#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "VLEngine/LockedDocChain.h"
#include "VLEngine/doc/bigdoc/DocChainLoader.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "core/VLConstants.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Mutex.h"

namespace vl {

class VLEngineDelegate;
class VLStoreTab;
class VLTabDirectory;
class Vellisto_DisplayChannelDelegate;

// What one page of records for device sync may hold (VLEngine::getSinceTimestampForDataSync).
struct DataSyncPageLimits {
  std::size_t maxRecords = 200;
  // Text bytes of a page; a page holds at least one record.
  std::size_t maxBytes = std::size_t{8} << 20;
  // Records of the page's last time beyond maxRecords, so the next page never begins among them.
  std::size_t maxTies = 800;
};
struct DataSyncPage {
  std::vector<Json> records;
  // Every record whose time is earlier than this was in the docs when they were read.
  double readAt = 0;
  // Set when records were left for another page: where it begins.
  std::optional<double> next;
};
// How a page of records for device sync counts a record's time when not by its time stamp alone.
struct DataSyncTimeOf {
  // The record's time from its signature and stamp; without it, every record counts by its stamp.
  std::function<double(const std::string& sig, double stamp)> time;
  // Whether a record stamped earlier than the time asked for may count from a later time. When not,
  // those records (nearly all of a history) are passed by without asking `time`, so a poll that finds
  // nothing new builds no signatures.
  bool earlierStampsMayCountLater = true;
};

// The record store: the data folders, the clipboard history's chain of docs, and every operation on
// records of a tab (find, select, append, update, copy between tabs, delete, the exports for device
// sync). A tab is named by its pin tab identifier; kClipboardPinTabId names the clipboard history,
// whose chain is the store's own. The store finds the other tabs through the installed tab directory.
//
// The capture queue, the main thread, the sync loops and the snippets merge all call in at once. One
// lock, storeMutex(), guards the store, the pin tab list and every tab's chain; it is taken before a
// doc's lock or a recent list's lock, and nothing holding it waits for the main thread. It is
// recursive: the pin tabs, capture and sync hold it across several store calls, each of which takes it.
//
// The search entry points (seach, noneInput, noneInputLoadMore, cleanMatchedChunks, error) belong to
// the search engine, which builds on channel(), delegate() and the tabs' chains.
// The clipboard history's chain is the LockedDocChain base; the clipboard tab holds this same object.
class VLEngine : public LockedDocChain {
 public:
  static VLEngine& shared();
  static RecursiveMutex& storeMutex();

  VLEngine(const VLEngine&) = delete;
  VLEngine& operator=(const VLEngine&) = delete;

  // ---- folders and start-up ----

  // The seven folders under `home`: ".vellisto/data/", its siblings and ".vellisto/pin/", where the
  // pin tabs keep theirs. Nothing is created here; load() creates the data folder.
  void setFolders(const std::string& home);
  // The list of tabs, installed at start-up by the pin tabs' side; nullptr restores the store's own
  // directory, which holds only a clipboard tab over the store's chain. Never null when read.
  void setTabDirectory(std::shared_ptr<VLTabDirectory> directory);
  std::shared_ptr<VLTabDirectory> tabDirectory() const;
  // Hands the store to the services that reach it through a seam: the temporary-doc promoter's folder
  // list, the file manager's image folder and the snippets exchange with the preferences program.
  void installServices();

  // Creates the data folder when missing and reads its docs; a folder without docs gets doc 0.
  void load();
  // Back to a store that has loaded nothing, for tests: waits for queued writes, drops every doc and
  // folder and has the installed tab directory drop its tabs (it stays installed).
  static void resetForTesting();

  // ---- records (pinTabId: the tab whose chain is meant) ----

  // The first record of the tab's chain, from its head doc, whose signature is that of text and json.
  std::shared_ptr<Vellisto_Chunk> getChunkByContext(const std::optional<std::string>& text,
                                                    const std::optional<Json>& json,
                                                    const std::string& pinTabId);
  // As getChunkByContext; a record found with the flag set gets the time stamp of now.
  std::shared_ptr<Vellisto_Chunk> findContext(const std::optional<std::string>& text, bool updateTimeStamp,
                                              const std::optional<Json>& json, const std::string& pinTabId);
  std::shared_ptr<Vellisto_Chunk> findContext(const std::optional<std::string>& text,
                                              const std::optional<Json>& json, const std::string& pinTabId);
  std::shared_ptr<Vellisto_Chunk> getChunkBySig(const std::string& sig, const std::string& pinTabId);
  // The user chose the record: its search words, a new time stamp, the front of the tab's recent list.
  std::shared_ptr<Vellisto_Chunk> selectContext(const std::optional<std::string>& text,
                                                const std::string& searchWords,
                                                const std::optional<Json>& json, const std::string& pinTabId);

  // A new record at the tail of the tab's chain; nullptr (logged) when the tab has no chain.
  std::shared_ptr<Vellisto_Chunk> append(const std::string& text, const std::optional<std::string>& rich,
                                         const std::optional<Json>& json, const std::string& pinTabId);
  std::shared_ptr<Vellisto_Chunk> append(const std::string& text, const std::optional<std::string>& rich,
                                         const std::optional<Json>& json,
                                         const std::optional<std::string>& alias,
                                         const std::string& pinTabId);
  std::shared_ptr<Vellisto_Chunk> append(const std::string& text, const std::optional<std::string>& rich,
                                         const std::optional<Json>& json,
                                         const std::optional<std::string>& alias,
                                         const std::string& timestamp, const std::string& pinTabId);

  // Gives the record an alias (an image also gets its own copy in the forever folder) and, with the
  // flag, a new time stamp. An empty alias changes no alias.
  void updateContext(const std::string& text, const std::string& alias, const std::optional<Json>& json,
                     const std::string& pinTabId, bool updateTimeStamp);
  // Adds `members` to the json of every record with the signature, in every tab (auto-pick may have
  // copied it already), and saves their docs; the signature never depends on what is added. How many
  // records took them.
  std::size_t addToJsonOfRecords(const std::string& sig, const Json& members);
  // Copies the record of text and json from one tab into another (or renews the copy already there);
  // the record stays in the source tab.
  void moveChunkFrom(const std::string& fromPinTabId, const std::string& toPinTabId, const std::string& text,
                     const std::optional<Json>& json);
  // After auto-pick chose the tabs: the record is found (and renewed) or appended in each of them.
  void copyIntoPinTabs(const std::shared_ptr<Vellisto_Chunk>& chunk,
                       const std::vector<std::string>& pinTabIds);

  // Deletes the record of text and json from the tab's chain; false when there is none.
  bool delChunkByContext(const std::string& text, const std::optional<Json>& json,
                         const std::string& pinTabId);
  // Deletes the first record with the signature, walking from `headDoc`.
  bool delChunkByDigest(const std::string& sig, const std::shared_ptr<Vellisto_BigDoc>& headDoc);

  // The newest record of the clipboard history, or nothing.
  std::shared_ptr<Vellisto_Chunk> getLatest();
  // The newest record's text after deleting it; "" when there is none.
  std::string delLatest();
  // Every record of the clipboard history that carries an alias, doc by doc from the head.
  std::vector<std::shared_ptr<Vellisto_Chunk>> getHasAliasChunks();

  // ---- device sync ----

  // Record dictionaries of at most `count` newest records of the clipboard tab's recent list, oldest
  // first; application and file records and images that no longer load are left out. A record that
  // has no "sync_device_id" gets this device's id and name in its json first.
  std::vector<Json> getLatestForDataSync(std::int64_t count);
  // One page of the clipboard history's records whose time is not earlier than `timestamp`, read from
  // the docs (not only the recent list), oldest first, with the same leaving out and stamping. A
  // record's time is its time stamp, or what `timeOf` makes of its signature and stamp; a time later
  // than the reading counts as the time of the reading.
  DataSyncPage getSinceTimestampForDataSync(double timestamp,
                                            const DataSyncPageLimits& limits = DataSyncPageLimits(),
                                            const DataSyncTimeOf& timeOf = DataSyncTimeOf());

  // ---- search (VLEngine+Search.cpp) ----

  // Matches of the query in the active tab, best first, to the channel; "" lists instead.
  void seach(const std::string& query);
  // The active tab's unfiltered list: from its recent list when that holds records, else its newest.
  void noneInput();
  // The next records older than the recent list's last one, delivered with the load-more flag.
  void noneInputLoadMore();
  // The next search of the active tab looks at whole docs again.
  void cleanMatchedChunks();
  // The newest records of the delegate's errorDoc, when it gives one.
  void error();

  // ---- helpers ----

  static std::string toBeSignedString(const std::string& text, const std::optional<Json>& json);
  // The names that begin with "BigDoc" and do not end with ".tmp", in their order.
  static std::vector<std::string> filterFileNames(const std::vector<std::string>& names);
  // The chain of a tab: its head, tail and doc count; nothing (logged) for an unknown tab.
  std::optional<DocChain> chainOfTab(const std::string& pinTabId);

  // ---- fields ----

  std::string storePath() const;
  void setStorePath(std::string path);
  std::string logPath() const;
  void setLogPath(std::string path);
  std::string filePath() const;
  void setFilePath(std::string path);
  std::string audioPath() const;
  void setAudioPath(std::string path);
  std::string webFilePath() const;
  void setWebFilePath(std::string path);
  std::string foreverPath() const;
  // Also tells the docs where removable forever images lie.
  void setForeverPath(std::string path);
  std::string pinPath() const;
  void setPinPath(std::string path);
  std::shared_ptr<Vellisto_DisplayChannelDelegate> channel() const;
  void setChannel(const std::shared_ptr<Vellisto_DisplayChannelDelegate>& channel);
  std::shared_ptr<VLEngineDelegate> delegate() const;
  void setDelegate(const std::shared_ptr<VLEngineDelegate>& delegate);
  // The clipboard history's chain itself, for the clipboard tab to refer to: one state, never replaced.
  std::shared_ptr<DocChain> clipboardChain() const { return chain_; }
  // The owner of the clipboard history's docs: moves the chain's tail across a roll-over and clears the
  // clipboard tab's caches when a record leaves.
  std::shared_ptr<Vellisto_DocChainOwner> clipboardChainOwner() const { return clipboardOwner_; }

 private:
  VLEngine();
  struct Located {
    std::shared_ptr<Vellisto_Chunk> chunk;
    std::shared_ptr<Vellisto_BigDoc> doc;
  };
  // The first live record with the signature, walking from `head`.
  static Located findInChain(const std::shared_ptr<Vellisto_BigDoc>& head, const std::string& sig)
      VL_REQUIRES(storeMutex());
  std::shared_ptr<VLStoreTab> tabOf(const std::string& pinTabId) const;
  std::shared_ptr<Vellisto_Chunk> getChunkByContextLocked(const std::string& text,
                                                          const std::optional<Json>& json,
                                                          const std::string& pinTabId)
      VL_REQUIRES(storeMutex());
  std::optional<DocChain> chainOfTabLocked(const std::string& pinTabId) VL_REQUIRES(storeMutex());
  std::string copyToForeverFolder(const std::string& imagePath) const VL_REQUIRES(storeMutex());
  std::vector<Json> exportForDataSync(const std::function<bool(std::size_t, double)>& keepGoing);

  std::string storePath_ VL_GUARDED_BY(storeMutex());
  std::string logPath_ VL_GUARDED_BY(storeMutex());
  std::string filePath_ VL_GUARDED_BY(storeMutex());
  std::string audioPath_ VL_GUARDED_BY(storeMutex());
  std::string webFilePath_ VL_GUARDED_BY(storeMutex());
  std::string foreverPath_ VL_GUARDED_BY(storeMutex());
  std::string pinPath_ VL_GUARDED_BY(storeMutex());
  std::weak_ptr<Vellisto_DisplayChannelDelegate> channel_ VL_GUARDED_BY(storeMutex());
  std::weak_ptr<VLEngineDelegate> delegate_ VL_GUARDED_BY(storeMutex());
  // Set once, at construction.
  const std::shared_ptr<Vellisto_DocChainOwner> clipboardOwner_;
  // The store's own directory (set once) and the installed one (when there is one).
  const std::shared_ptr<VLTabDirectory> ownDirectory_;
  std::shared_ptr<VLTabDirectory> directory_ VL_GUARDED_BY(storeMutex());
};

}  // namespace vl
