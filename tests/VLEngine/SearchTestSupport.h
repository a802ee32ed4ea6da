#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/DocTestSupport.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "VLEngine/search/ApplicationSearching.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "VLEngine/search/Vellisto_MapDelegate.h"
#include "VLEngine/search/Vellisto_Master.h"
#include "VLEngine/search/Vellisto_Task.h"

namespace vl::test {

// Records what reaches the result channel; tests wait for a given task's rows.
class RecordingChannel : public Vellisto_DisplayChannelDelegate {
 public:
  struct Delivery {
    std::int64_t taskId = 0;
    DisplayRows rows;
    bool loadMore = false;
  };

  void receivedData(const DisplayRows& rows, std::int64_t taskId, bool loadMore) override {
    std::lock_guard<std::mutex> lock(mutex_);
    deliveries_.push_back({taskId, rows, loadMore});
    cv_.notify_all();
  }

  // The delivery of the task, waiting up to five seconds of real time for the search queues.
  std::optional<Delivery> waitFor(std::int64_t taskId) {
    std::unique_lock<std::mutex> lock(mutex_);
    std::optional<Delivery> found;
    cv_.wait_for(lock, std::chrono::seconds(5), [&] {
      for (const auto& d : deliveries_) {
        if (d.taskId == taskId) found = d;
      }
      return found.has_value();
    });
    return found;
  }

  std::vector<Delivery> deliveries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return deliveries_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<Delivery> deliveries_;
};

class FakeInstalledIndex : public InstalledApplicationIndex {
 public:
  explicit FakeInstalledIndex(std::set<std::string> installed) : installed_(std::move(installed)) {}
  bool isInstalled(const std::string& name) override { return installed_.count(name) > 0; }

 private:
  std::set<std::string> installed_;
};

inline std::string stamp(double seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", seconds);
  return text;
}

inline std::shared_ptr<Vellisto_Chunk> chunkAt(const std::string& text, double timestamp,
                                               std::optional<std::string> alias = std::nullopt,
                                               std::optional<Json> json = std::nullopt) {
  return Vellisto_Chunk::initWithContext(text, std::nullopt, std::move(json), std::move(alias),
                                         stamp(timestamp));
}

// A chain of `count` empty docs in `folder`, linked head to tail.
inline std::vector<std::shared_ptr<Vellisto_BigDoc>> makeChain(const std::string& folder, std::size_t count) {
  std::vector<std::shared_ptr<Vellisto_BigDoc>> docs;
  for (std::size_t i = 0; i < count; ++i) {
    auto doc = Vellisto_BigDoc::emptyDoc(static_cast<std::int64_t>(i), folder);
    if (!docs.empty()) {
      docs.back()->setNext(doc);
      doc->setPrev(docs.back());
    }
    docs.push_back(doc);
  }
  return docs;
}

// Sends a task over the chain and waits for its rows; nothing when it was not delivered in time.
inline std::optional<RecordingChannel::Delivery> run(const std::shared_ptr<Vellisto_Task>& task,
                                                     const std::shared_ptr<Vellisto_BigDoc>& head,
                                                     const std::shared_ptr<RecordingChannel>& channel) {
  task->setChannel(channel);
  Vellisto_Master::shared().sendTask(task, head);
  return channel->waitFor(static_cast<std::int64_t>(task->taskId()));
}

inline std::shared_ptr<Vellisto_Task> searchTask(const std::string& query, std::uint64_t docCount,
                                                 bool fastPath = true) {
  auto task = Vellisto_Task::make(Vellisto_Task::kSearch, docCount, query);
  SearchQuery::Options options;
  options.fastPath = fastPath;
  task->setQueryOptions(options);
  return task;
}

inline std::vector<std::string> texts(const DisplayRows& rows) {
  std::vector<std::string> out;
  for (const auto& row : rows) out.push_back(row->string());
  return out;
}

// Waits (real time, bounded) until the predicate holds; for state that background queues settle.
template <typename Pred>
bool eventually(Pred pred) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

// Keeps application records visible only for the names given, and writes nothing to the user's files.
class SearchFixtureBase {
 public:
  static void installIndexForTests(std::set<std::string> installed) {
    ApplicationSearching::setInstalledIndex(std::make_shared<FakeInstalledIndex>(std::move(installed)));
  }

 protected:
  void installIndex(std::set<std::string> installed = {}) {
    ApplicationSearching::setInstalledIndex(std::make_shared<FakeInstalledIndex>(std::move(installed)));
  }
  void finish() {
    Vellisto_BigDoc::waitForPendingWrites();
    ApplicationSearching::setInstalledIndex(nullptr);
  }
};

}  // namespace vl::test
