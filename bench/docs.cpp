// Doc files: how fast a history of 100 full docs loads, against plain zlib decompression of the same
// files in the same run; how fast a doc's journal replays, against its doc file; and what appending
// records one by one costs the caller and the disk.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchTiming.h"
#include "VLEngine/doc/bigdoc/DocTextForm.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/bigdoc/Vellisto_DocChainOwner.h"
#include "VLEngine/doc/gzip/GzipUtility.h"
#include "VLEngine/doc/journal/DocJournal.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDocs = 100;
constexpr int kRecordsPerDoc = 1000;
constexpr int kAppends = 10000;
constexpr int kRounds = 3;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Texts of 20 to 2,000 characters from a small vocabulary, some over several lines, some Chinese.
class TextMaker {
 public:
  explicit TextMaker(unsigned seed) : gen_(seed) {}

  std::string next() {
    const int characters = std::uniform_int_distribution<int>(20, 2000)(gen_);
    const int kind = std::uniform_int_distribution<int>(0, 9)(gen_);
    std::string out;
    int count = 0;
    if (kind == 0) {
      // CJK: three UTF-8 bytes per character, drawn from the common block.
      while (count < characters) {
        char32_t c = 0x4E00 + std::uniform_int_distribution<int>(0, 3000)(gen_);
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
        ++count;
        if (count % 40 == 0) out += "，";
      }
      return out;
    }
    static const char* const kWords[] = {"the",
                                         "record",
                                         "clipboard",
                                         "history",
                                         "search",
                                         "window",
                                         "paste",
                                         "value",
                                         "return",
                                         "const",
                                         "string",
                                         "function",
                                         "import",
                                         "email",
                                         "address",
                                         "meeting",
                                         "https://example.com/a",
                                         "42",
                                         "2024",
                                         "TODO",
                                         "error:",
                                         "file",
                                         "document",
                                         "quick",
                                         "brown",
                                         "fox"};
    const bool multiline = kind <= 3;
    while (count < characters) {
      const char* word = kWords[std::uniform_int_distribution<int>(0, std::size(kWords) - 1)(gen_)];
      out += word;
      count += static_cast<int>(std::char_traits<char>::length(word));
      const bool newline = multiline && std::uniform_int_distribution<int>(0, 7)(gen_) == 0;
      out += newline ? '\n' : ' ';
      ++count;
    }
    return out;
  }

 private:
  std::mt19937 gen_;
};

std::string docText(int docIndex) {
  TextMaker maker(static_cast<unsigned>(docIndex) * 7919u + 1u);
  std::string text;
  for (int i = 0; i < kRecordsPerDoc; ++i) {
    auto chunk = vl::Vellisto_Chunk::initWithContext(
        maker.next(), std::nullopt,
        i % 10 == 0 ? std::optional<vl::Json>(vl::Json{{"html", "<p>x</p>"}}) : std::nullopt);
    if (i > 0) text.append(vl::doctext::kChunkSeparator);
    text.append(*chunk->stringValue());
  }
  return text;
}

// Plain zlib: read the file and inflate it into a buffer sized from the gzip trailer.
std::size_t inflateOnly(const std::string& path) {
  std::optional<std::string> data = vl::files::readFile(path);
  if (!data || data->size() < 18) return 0;
  const auto* tail = reinterpret_cast<const unsigned char*>(data->data() + data->size() - 4);
  std::size_t size = tail[0] | tail[1] << 8 | tail[2] << 16 | static_cast<std::size_t>(tail[3]) << 24;
  std::string out(size, '\0');
  z_stream stream{};
  inflateInit2(&stream, 47);
  stream.next_in = reinterpret_cast<Bytef*>(data->data());
  stream.avail_in = static_cast<uInt>(data->size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  inflate(&stream, Z_FINISH);
  std::size_t produced = stream.total_out;
  inflateEnd(&stream);
  return produced;
}

class TailKeeper : public vl::Vellisto_DocChainOwner {
 public:
  void docDidRollOver(const std::shared_ptr<vl::Vellisto_BigDoc>&,
                      const std::shared_ptr<vl::Vellisto_BigDoc>& next) override {
    tail = next;
  }
  void chunkDidLeave(const std::shared_ptr<vl::Vellisto_Chunk>&) override {}
  std::shared_ptr<vl::Vellisto_BigDoc> tail;
};

}  // namespace

// Usage: bench_docs [folder]. With a folder the generated docs are written there and kept.
int main(int argc, char** argv) {
  vl::FreedMemory::atStart();
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "vl-bench-docs-XXXXXX").string();
  const bool keep = argc > 1;
  if (!keep && !::mkdtemp(pattern.data())) return 1;
  const std::string root = keep ? std::string(argv[1]) : pattern;
  const std::string history = root + "/history";
  vl::bench::require(vl::files::createDirectories(history), "making the history folder");

  // Writing the fixture docs is not measured; it runs on every core.
  auto start = Clock::now();
  std::vector<std::size_t> textBytes(kDocs), fileBytes(kDocs);
  {
    std::vector<std::thread> workers;
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned t = 0; t < threads; ++t) {
      workers.emplace_back([&, t] {
        for (int d = static_cast<int>(t); d < kDocs; d += static_cast<int>(threads)) {
          std::string text = docText(d);
          std::string data = *vl::GzipUtility::gzipData(text);
          textBytes[d] = text.size();
          fileBytes[d] = data.size();
          vl::bench::require(
              vl::files::atomicWrite(history + "/" + vl::Vellisto_BigDoc::docFileName(d), data),
              "writing a doc");
        }
      });
    }
    for (auto& w : workers) w.join();
  }
  double textMb = 0, fileMb = 0;
  for (int d = 0; d < kDocs; ++d) {
    textMb += textBytes[d] / 1e6;
    fileMb += fileBytes[d] / 1e6;
  }
  std::printf("docs: %d docs x %d records, %.1f MB of text in %.1f MB of gzip (prepared in %.1f s)\n", kDocs,
              kRecordsPerDoc, textMb, fileMb, msSince(start) / 1000);

  double bestLoad = 1e300, bestZlib = 1e300, firstLoad = 0, firstZlib = 0;
  std::size_t loadedRecords = 0, inflated = 0;
  for (int round = 0; round < kRounds; ++round) {
    start = Clock::now();
    inflated = 0;
    for (int d = 0; d < kDocs; ++d)
      inflated += inflateOnly(history + "/" + vl::Vellisto_BigDoc::docFileName(d));
    bestZlib = std::min(bestZlib, msSince(start));
    if (round == 0) firstZlib = bestZlib;

    start = Clock::now();
    loadedRecords = 0;
    {
      std::vector<std::shared_ptr<vl::Vellisto_BigDoc>> docs;
      for (int d = 0; d < kDocs; ++d) {
        auto doc = std::make_shared<vl::Vellisto_BigDoc>();
        vl::bench::require(doc->load(history + "/" + vl::Vellisto_BigDoc::docFileName(d)), "loading a doc");
        loadedRecords += doc->chunkCount();
        docs.push_back(std::move(doc));
      }
      bestLoad = std::min(bestLoad, msSince(start));
      if (round == 0) firstLoad = bestLoad;
    }
  }
  std::printf("  load (best of %d):        %8.1f ms  (%zu records)\n", kRounds, bestLoad, loadedRecords);
  std::printf("  zlib alone (best of %d):  %8.1f ms  (%.1f MB)\n", kRounds, bestZlib, inflated / 1e6);
  std::printf("  ratio load / zlib:        %8.2f  (target <= 1.50)\n", bestLoad / bestZlib);
  // The first round reads into memory the process never had: its pages are faulted in as they fill.
  std::printf("  first round load / zlib:  %8.2f\n", firstLoad / firstZlib);

  // A crash before a fold leaves a doc's records in its journal: replaying them at load, against loading
  // the same records from a doc file.
  {
    const std::string crashed = root + "/crashed";
    vl::bench::require(vl::files::createDirectories(crashed), "making the crashed folder");
    const std::string text = docText(0);
    std::string journal = vl::DocJournal::encodeHeader({0, 1, 0});
    for (std::size_t at = 0; at != std::string::npos;) {
      const std::size_t end = text.find(vl::doctext::kChunkSeparator, at);
      const std::string form = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
      journal += vl::DocJournal::encodeChange({vl::DocJournal::Type::Append, 0, form});
      at = end == std::string::npos ? end : end + vl::doctext::kChunkSeparator.size();
    }
    vl::bench::require(vl::files::atomicWrite(crashed + "/BigDoc_0", ""), "writing an empty doc");
    vl::bench::require(vl::files::atomicWrite(crashed + "/journal_0.1", journal), "writing a journal");
    // Each replay says so in the log: ten of them are not worth reading.
    const auto previousSink = vl::setLogSink(+[](const std::string&) {});
    auto bestOf = [&](const std::string& path) {
      double best = 1e300;
      std::size_t records = 0;
      for (int round = 0; round < 10; ++round) {
        const auto t0 = Clock::now();
        auto doc = std::make_shared<vl::Vellisto_BigDoc>();
        vl::bench::require(doc->load(path), "loading a doc");
        best = std::min(best, msSince(t0));
        const auto chunks = doc->chunks();
        records = static_cast<std::size_t>(
            std::count_if(chunks.begin(), chunks.end(), [](const auto& c) { return c != nullptr; }));
      }
      return std::make_pair(best, records);
    };
    const auto replayed = bestOf(crashed + "/BigDoc_0");
    const auto fromFile = bestOf(history + "/" + vl::Vellisto_BigDoc::docFileName(0));
    vl::setLogSink(previousSink);
    std::printf("docs: a doc of %zu records replayed from its journal (%.1f MB)\n", replayed.second,
                journal.size() / 1e6);
    std::printf("  replay (best of 10):      %8.2f ms\n", replayed.first);
    std::printf("  doc file (best of 10):    %8.2f ms  (%zu records)\n", fromFile.first, fromFile.second);
    std::printf("  ratio replay / doc file:  %8.2f\n", replayed.first / fromFile.first);
  }

  // Appends: the caller's cost, then how long the queue takes to settle and what it wrote.
  const std::string appendFolder = root + "/append";
  vl::bench::require(vl::files::createDirectories(appendFolder), "making the append folder");
  TextMaker maker(12345);
  std::vector<std::shared_ptr<vl::Vellisto_Chunk>> records;
  records.reserve(kAppends);
  for (int i = 0; i < kAppends; ++i) {
    records.push_back(vl::Vellisto_Chunk::initWithContext(maker.next(), std::nullopt, std::nullopt));
  }
  auto owner = std::make_shared<TailKeeper>();
  // The head holds the chain, as the store does: a doc only its predecessor points to (weakly) would go
  // at its roll-over, with the writes it still owes.
  const std::shared_ptr<vl::Vellisto_BigDoc> head = vl::Vellisto_BigDoc::emptyDoc(0, appendFolder);
  owner->tail = head;
  owner->tail->setChainOwner(owner);
  vl::Vellisto_BigDoc::waitForPendingWrites();
  const auto before = vl::Vellisto_BigDoc::persistStats();
  start = Clock::now();
  for (const auto& record : records) owner->tail->appendChunk(record);
  const double callerMs = msSince(start);
  vl::Vellisto_BigDoc::waitForPendingWrites();
  const double settledMs = msSince(start);
  const auto after = vl::Vellisto_BigDoc::persistStats();
  std::printf("docs: append %d records one by one\n", kAppends);
  std::printf("  caller:                   %8.0f records/s  (%.1f ms in all)\n", kAppends / (callerMs / 1000),
              callerMs);
  std::printf("  written and settled in:   %8.1f ms, %llu doc writes\n", settledMs,
              static_cast<unsigned long long>(after.writes - before.writes));
  std::printf("  bytes written per record: %8.1f\n",
              static_cast<double>(after.bytes - before.bytes) / kAppends);

  std::error_code ec;
  if (!keep) fs::remove_all(root, ec);
  return 0;
}
