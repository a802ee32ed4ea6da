#pragma once

#include <string>
#include <vector>

#include "VLEngine/doc/bigdoc/DocChainLoader.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/bigdoc/Vellisto_DocChainOwner.h"
#include "support/TestSupport.h"

namespace vl::test {

using TempFolder = vl::test::TempDir;
using vl::test::LogCapture;

// Stands in for the record store or a pin tab: keeps the tail and count of one chain.
class RecordingOwner : public Vellisto_DocChainOwner {
 public:
  void docDidRollOver(const std::shared_ptr<Vellisto_BigDoc>& full,
                      const std::shared_ptr<Vellisto_BigDoc>& next) override {
    rolledFrom = full;
    tail = next;
    ++docCount;
  }
  void chunkDidLeave(const std::shared_ptr<Vellisto_Chunk>& chunk) override { left.push_back(chunk->sig()); }

  std::shared_ptr<Vellisto_BigDoc> rolledFrom;
  std::shared_ptr<Vellisto_BigDoc> tail;
  std::int64_t docCount = 1;
  std::vector<std::string> left;
};

inline std::shared_ptr<Vellisto_BigDoc> loadDoc(const std::string& path) {
  auto doc = std::make_shared<Vellisto_BigDoc>();
  return doc->load(path) ? doc : nullptr;
}

inline std::shared_ptr<Vellisto_Chunk> record(const std::string& text) {
  return Vellisto_Chunk::initWithContext(text, std::nullopt, std::nullopt);
}

inline std::vector<std::string> contexts(const Vellisto_BigDoc& doc) {
  std::vector<std::string> out;
  for (const auto& chunk : doc.chunks()) out.push_back(chunk ? chunk->context() : std::string("<empty>"));
  return out;
}

// The live records of a doc, without its empty slots.
inline std::vector<std::string> recordsOf(const Vellisto_BigDoc& doc) {
  std::vector<std::string> out;
  for (const auto& chunk : doc.chunks()) {
    if (chunk) out.push_back(chunk->context());
  }
  return out;
}

// The whole chain of a folder as the program loads it; a manual clock keeps its folds from running.
inline std::vector<std::string> loadedRecords(const std::string& folder) {
  DocChain chain = DocChainLoader::loadFolder(folder, nullptr);
  std::vector<std::string> out;
  for (auto doc = chain.head; doc; doc = doc->next()) {
    for (const auto& text : recordsOf(*doc)) out.push_back(text);
  }
  return out;
}

}  // namespace vl::test
