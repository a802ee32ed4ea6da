#pragma once

#include <string>
#include <vector>

#include "VLEngine/doc/Vellisto_BigDoc.h"
#include "VLEngine/doc/Vellisto_DocChainOwner.h"
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

}  // namespace vl::test
