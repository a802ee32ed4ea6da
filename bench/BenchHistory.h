// A clipboard history in memory for the benchmark programs that fill one.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "BenchCorpus.h"
#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "VLEngine/search/Vellisto_Master.h"
#include "core/VLConstants.h"
#include "pins/PinManager.h"

namespace vl::bench {

// A display channel that only notes which search task answered last, so a benchmark can wait for the
// engine's answer to the task it sent.
struct AnsweredTasks : Vellisto_DisplayChannelDelegate {
  std::mutex mutex;
  std::condition_variable cv;
  std::int64_t last = 0;
  void receivedData(const DisplayRows&, std::int64_t taskId, bool) override {
    std::lock_guard<std::mutex> lock(mutex);
    last = taskId;
    cv.notify_all();
  }
  void waitFor(std::int64_t taskId) {
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return last >= taskId; });
  }
};

using DocChain = std::vector<std::shared_ptr<vl::Vellisto_BigDoc>>;

// `count` docs linked in order and one spare after the last (count + 1 in all, the spare last), which
// keeps the last from rolling over. They live in memory only: with no file path, appends write nothing.
inline DocChain memoryDocChain(int count, const std::filesystem::path& folder) {
  DocChain docs;
  for (int d = 0; d <= count; ++d) {
    auto doc = vl::Vellisto_BigDoc::emptyDoc(d, folder.string());
    vl::Vellisto_BigDoc::waitForPendingWrites();
    doc->setFilePath("");
    vl::Vellisto_Master::configureDoc(doc);
    if (!docs.empty()) {
      docs.back()->setNext(doc);
      doc->setPrev(docs.back());
    }
    docs.push_back(doc);
  }
  return docs;
}

// `perDoc` texts of the corpus in each doc, a minute apart, the newest in the last doc.
inline void fillDocs(const DocChain& docs, int perDoc, Corpus& corpus) {
  const int total = perDoc * static_cast<int>(docs.size());
  for (int i = 0; i < total; ++i) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%f", 1.7e9 - (total - i) * 60.0);
    docs[static_cast<std::size_t>(i / perDoc)]->appendChunk(
        vl::Vellisto_Chunk::initWithContext(corpus.next(), std::nullopt, std::nullopt, std::nullopt, stamp));
  }
  vl::Vellisto_BigDoc::waitForPendingWrites();
}

// The record store over `docs` as the clipboard tab, with its pins under folder/pin.
inline void openClipboardTab(const DocChain& docs, const std::filesystem::path& folder) {
  vl::VLEngine& engine = vl::VLEngine::shared();
  engine.setHeadDoc(docs.front());
  engine.setTailDoc(docs.back());
  engine.setDocCount(static_cast<std::int64_t>(docs.size()));
  engine.setTabDirectory(vl::PinManager::tabDirectory());
  vl::PinManager::shared().setPinPath((folder / "pin").string());
  vl::PinManager::shared().load();
  vl::PinManager::shared().activeTabOfId(vl::kClipboardPinTabId);
}

}  // namespace vl::bench
