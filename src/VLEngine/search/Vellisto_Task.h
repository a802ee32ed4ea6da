#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "VLEngine/search/SearchQuery.h"
#include "VLEngine/search/Vellisto_TempFile.h"

namespace vl {

class ChunkSortedWeakTable;
class Vellisto_BigDoc;
class Vellisto_DisplayChannelDelegate;

// One question to the docs of a tab: a listing or a search. It is registered with the task master,
// which gives it its id, counts the docs' answers and merges them when the last one arrives.
class Vellisto_Task {
 public:
  enum Type : std::int32_t {
    kListing = 1,       // newest records, appended to the tab's recent list
    kSearch = 2,        // matches of `context`
    kErrorListing = 3,  // newest records of the doc that failed to load
    kLoadMore = 4,      // records older than the recent list's last one
  };

  Vellisto_Task() = default;
  Vellisto_Task(const Vellisto_Task&) = delete;
  Vellisto_Task& operator=(const Vellisto_Task&) = delete;
  static std::shared_ptr<Vellisto_Task> make(std::int32_t type, std::uint64_t docCount,
                                             std::string context = {});

  std::int32_t type() const { return type_; }
  void setType(std::int32_t type) { type_ = type; }
  const std::string& context() const { return context_; }
  void setContext(std::string context) { context_ = std::move(context); }
  std::uint64_t taskId() const { return taskId_; }
  void setTaskId(std::uint64_t taskId) { taskId_ = taskId; }
  // "%ld" of the id: the task's key in the master's registry.
  std::string stringTaskId() const;

  // Guarded by mutex(): the master counts answers and merges under it.
  std::uint64_t docCount() const { return docCount_; }
  void setDocCount(std::uint64_t count) { docCount_ = count; }
  std::uint64_t finishedCount() const { return finishedCount_; }
  void setFinishedCount(std::uint64_t count) { finishedCount_ = count; }
  const Vellisto_TempFiles& files() const { return files_; }
  Vellisto_TempFiles& mutableFiles() { return files_; }
  // The docs asked, in chain order; answers are merged in this order, so that equal priorities keep
  // the order of the history whichever doc answered first.
  const std::vector<const Vellisto_BigDoc*>& docs() const { return docs_; }
  void setDocs(std::vector<const Vellisto_BigDoc*> docs) { docs_ = std::move(docs); }
  // An answer of the doc `from` (nullptr when unknown).
  void addFile(std::shared_ptr<Vellisto_TempFile> file, const Vellisto_BigDoc* from);
  // Puts the files in the order of docs(); answers of unknown docs go last.
  void orderFiles();
  std::mutex& mutex() const { return lock_; }

  // The query compiled once for every doc and slice of the task.
  std::shared_ptr<const SearchQuery> query() const;
  // Before the task is sent.
  void setQueryOptions(SearchQuery::Options options) { queryOptions_ = options; }
  // Seconds since 1970 when the task was made: the "now" every doc ranks ages against, so that
  // priorities of one task compare across docs.
  double now() const { return now_; }
  void setNow(double now) { now_ = now; }

  // What the sender wires in, so that a task answers whoever asked even if the active tab changes
  // while it runs: the recent list a listing appends to, the time a load-more lists before, and the
  // result channel.
  std::shared_ptr<ChunkSortedWeakTable> sortedTable() const { return sortedTable_.lock(); }
  void setSortedTable(const std::shared_ptr<ChunkSortedWeakTable>& table) { sortedTable_ = table; }
  double earlierThanTimestamp() const { return earlierThan_; }
  void setEarlierThanTimestamp(double timestamp) { earlierThan_ = timestamp; }
  // Whether a listing takes application records. The installed-application index puts one in the
  // clipboard history for every application, to be found by typing its name; listing them there would
  // show them as if the user had copied them. A pin tab lists what was pinned, applications included.
  bool listsApplications() const { return listsApplications_; }
  void setListsApplications(bool lists) { listsApplications_ = lists; }
  std::shared_ptr<Vellisto_DisplayChannelDelegate> channel() const { return channel_.lock(); }
  void setChannel(const std::shared_ptr<Vellisto_DisplayChannelDelegate>& channel) { channel_ = channel; }

 private:
  std::int32_t type_ = 0;
  std::string context_;
  std::uint64_t taskId_ = 0;
  std::uint64_t docCount_ = 0;
  std::uint64_t finishedCount_ = 0;
  Vellisto_TempFiles files_;
  std::vector<const Vellisto_BigDoc*> docs_;
  std::vector<const Vellisto_BigDoc*> answeredBy_;
  mutable std::mutex lock_;

  SearchQuery::Options queryOptions_;
  mutable std::once_flag compileOnce_;
  mutable std::shared_ptr<const SearchQuery> query_;
  double now_ = 0;
  std::weak_ptr<ChunkSortedWeakTable> sortedTable_;
  double earlierThan_ = 0;
  bool listsApplications_ = true;
  std::weak_ptr<Vellisto_DisplayChannelDelegate> channel_;
};

}  // namespace vl
