#pragma once

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "VLEngine/Vellisto_BigDoc.h"
#include "VLEngine/Vellisto_DocChainOwner.h"
#include "platform/foundation/Log.h"

namespace vl::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vl-docs-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Collects log lines for the lifetime of the object.
class LogCapture {
 public:
  LogCapture() {
    previous_ = setLogSink(&LogCapture::sink);
    std::lock_guard<std::mutex> lock(mutex());
    lines().clear();
  }
  ~LogCapture() { setLogSink(previous_); }
  bool contains(const std::string& part) const {
    std::lock_guard<std::mutex> lock(mutex());
    for (const auto& line : lines()) {
      if (line.find(part) != std::string::npos) return true;
    }
    return false;
  }

 private:
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::string>& lines() {
    static std::vector<std::string> collected;
    return collected;
  }
  static void sink(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex());
    lines().push_back(line);
  }
  LogSink previous_ = nullptr;
};

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

}  // namespace vl::testing
