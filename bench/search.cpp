// Search: a history of 100,000 records (20 to 2,000 characters, mixed languages) in 100 docs, searched
// through the record store's entry points, against two baselines over the same texts in this run:
//   (a) one thread scanning every text for the query's bytes with ASCII case folding (what the
//       hardware allows);
//   (b) SQLite `LIKE '%query%'` over a table of the texts in memory.
// Also: each keystroke of a six-letter query (the docs narrowing to their last matches), the
// unfiltered list with and without the recent list, and resident memory per record.
//
// Usage: bench_search [records]   (default 100000; records are spread over 100 docs)
// For profiling: VL_BENCH_LOOP=<query> repeats one search ("a>b": a, then b narrowing it; repeated);
// VL_BENCH_TRACE=1 prints the engine's own timing lines for a few searches.
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchHistory.h"
#include "BenchTiming.h"
#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "VLEngine/search/CaseFoldScan.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/SearchQuery.h"
#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "VLEngine/search/Vellisto_Master.h"
#include "pins/PinManager.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace {

using vl::Vellisto_BigDoc;
using vl::bench::median;
using vl::bench::msSince;
using vl::bench::Steady;

constexpr int kDocs = 100;
constexpr int kRounds = 5;
// Keystrokes are short and the machine's other work shows in them: more rounds for a steady median.
constexpr int kTypingRounds = 21;
constexpr int kSqliteRounds = 3;

// Processor time of the whole process (every thread), in milliseconds.
double cpuMs() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

std::size_t residentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<std::size_t>(resident) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// ---- corpus ----

const std::vector<std::vector<std::string>> kLanguages = {
    // English and technical text: most of a clipboard history.
    {"the",      "and",      "of",      "to",     "in",       "is",      "that",   "for",      "it",
     "with",     "as",       "was",     "on",     "be",       "at",      "by",     "this",     "have",
     "from",     "or",       "an",      "but",    "not",      "are",     "which",  "all",      "when",
     "we",       "there",    "can",     "your",   "error",    "code",    "server", "client",   "request",
     "response", "file",     "data",    "value",  "function", "return",  "null",   "string",   "number",
     "user",     "password", "token",   "config", "build",    "test",    "deploy", "release",  "branch",
     "commit",   "merge",    "query",   "index",  "cache",    "memory",  "thread", "queue",    "lock",
     "timeout",  "retry",    "network", "socket", "port",     "address", "host",   "email",    "meeting",
     "tomorrow", "today",    "project", "budget", "invoice",  "payment", "order",  "customer", "account",
     "report",   "draft",    "review",  "please", "thanks",   "regards", "update", "change",   "issue",
     "ticket",   "feature",  "design",  "layout", "window",   "screen",  "button", "click",    "paste",
     "copy",     "history",  "note",    "list",   "item",     "link",    "page",   "title",    "image",
     "photo",    "video",    "Monday",  "Friday", "The",      "Error",   "Code",   "TODO"},
    {"Straße",   "größer",      "schließen", "Fußball", "Mädchen",  "Übersicht", "Änderung",
     "möglich",  "Grüße",       "heißt",     "weiß",    "außerdem", "Schlüssel", "Bestätigung",
     "Rechnung", "Besprechung", "morgen",    "heute",   "und",      "der",       "die",
     "das",      "nicht",       "mit",       "Fehler",  "Server",   "Datei"},
    {"été",     "déjà",   "à",     "garçon",       "français", "très",  "où",     "élève",
     "réunion", "demain", "merci", "cordialement", "facture",  "crème", "hôtel",  "naïve",
     "coût",    "le",     "la",    "les",          "de",       "et",    "erreur", "serveur",
     "année",   "niño",   "señor", "mañana",       "canción"},
    {"привет", "сервер", "ошибка", "код", "данные", "пользователь", "пароль", "встреча", "завтра", "сегодня",
     "проект", "счёт", "и", "в", "не", "на", "что"},
    {"服务器", "错误", "代码", "数据", "用户",         "密码",       "会议",       "明天",
     "今天",   "项目", "发票", "你好", "谢谢",         "こんにちは", "ありがとう", "東京",
     "会議",   "明日", "資料", "確認", "お願いします", "です",       "の",         "は"},
    {"std::vector<int>",
     "#include",
     "return 0;",
     "if (x == nullptr)",
     "https://example.com/api/v1/users?id=42",
     "/usr/local/bin",
     "git commit -m",
     "SELECT * FROM users",
     "{\"key\": \"value\"}",
     "0x7fff5fbff8c8",
     "const",
     "auto",
     "void",
     "int",
     "=>",
     "();",
     "});",
     "npm install",
     "--verbose",
     "error:",
     "code=500"},
};
const std::vector<int> kLanguageWeights = {50, 10, 10, 8, 12, 10};
const std::vector<std::string> kEmoji = {"😀", "🚀", "✅", "👍", "🎉", "📎"};
const char* const kRareWord = "zanzibarite";

// Syllables that make each language's long tail of rarer words.
const std::vector<std::vector<std::string>> kSyllables = {
    {"ba",  "con", "de",  "fi", "gra", "hel", "in", "jo", "ka",  "lo",   "men", "no",   "pro", "qui", "ra",
     "sto", "tu",  "ver", "wa", "xy",  "zen", "al", "er", "ing", "tion", "ly",  "ment", "ous", "ple", "str"},
    {"ä", "ö", "ü", "ß", "sch", "ung", "keit", "lich", "ver", "ge", "ein", "auf", "ent", "zu", "ster", "bau"},
    {"é", "è", "ê", "ç", "à", "ou", "eau", "ment", "tion", "re", "de", "ñ", "ción", "ía", "lle", "que"},
    {"ра", "ло", "ми", "ст", "но", "ве", "ка", "пр", "ть", "ой", "ен", "ат"},
    {"数", "据", "服", "务", "器", "用", "户", "会", "议", "天",
     "东", "京", "の", "は", "て", "す", "ま", "確", "認", "資"},
    {"get", "set", "Id", "Name", "_", "::", "Value", "List", "Map", "init", "0", "1", "x", "Buffer", "->",
     "Config"},
};

class Corpus {
 public:
  // Each language's vocabulary: its common words first, then 4,000 made of its syllables; words are
  // drawn with Zipf's law (the r-th most common about 1/r as often as the first), as in real text.
  explicit Corpus(unsigned seed) : gen_(seed), language_(kLanguageWeights.begin(), kLanguageWeights.end()) {
    for (std::size_t lang = 0; lang < kLanguages.size(); ++lang) {
      std::vector<std::string> words = kLanguages[lang];
      const auto& syllables = kSyllables[lang];
      while (words.size() < kLanguages[lang].size() + 4000) {
        std::string word;
        for (std::size_t k = 0, n = 2 + pick(3); k < n; ++k) word += syllables[pick(syllables.size())];
        words.push_back(std::move(word));
      }
      std::vector<double> weights;
      for (std::size_t r = 0; r < words.size(); ++r) weights.push_back(1.0 / static_cast<double>(r + 3));
      vocabularies_.push_back(std::move(words));
      zipf_.emplace_back(weights.begin(), weights.end());
    }
  }

  // One language per record; one record in five mixes in words of a second one; one in 2,000 holds
  // the rare word.
  std::string next() {
    const std::size_t units = std::uniform_int_distribution<std::size_t>(20, 2000)(gen_);
    const std::size_t primary = language_(gen_);
    const std::size_t second = pick(5) == 0 ? language_(gen_) : primary;
    const bool rare = pick(2000) == 0;
    std::string text;
    std::size_t length = 0;
    int words = 0;
    while (length < units) {
      const std::size_t lang = pick(10) == 0 ? second : primary;
      std::string word = vocabularies_[lang][zipf_[lang](gen_)];
      if (rare && words == static_cast<int>(units % 7)) word = kRareWord;
      if (pick(200) == 0) word += kEmoji[pick(kEmoji.size())];
      word += (++words % (8 + static_cast<int>(pick(10))) == 0) ? "\n" : " ";
      length += vl::utf16Length(word);
      text += word;
    }
    return vl::cutToUtf16Length(text, units);
  }

 private:
  std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(gen_); }
  std::mt19937 gen_;
  std::discrete_distribution<std::size_t> language_;
  std::vector<std::vector<std::string>> vocabularies_;
  std::vector<std::discrete_distribution<std::size_t>> zipf_;
};

// ---- the engine's result channel ----

class WaitingChannel : public vl::Vellisto_DisplayChannelDelegate {
 public:
  void receivedData(const vl::DisplayRows& rows, std::int64_t taskId, bool) override {
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = taskId;
    rows_ = rows.size();
    cv_.notify_all();
  }
  void expect(std::int64_t taskId) {
    std::lock_guard<std::mutex> lock(mutex_);
    expected_ = taskId;
  }
  // Waits for the rows of the expected task (or any later one); the number of rows.
  std::size_t wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&] { return last_ >= expected_; });
    return rows_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::int64_t last_ = 0;
  std::int64_t expected_ = 0;
  std::size_t rows_ = 0;
};

// ---- baselines ----

// (a): one thread, every text, the query's bytes with ASCII case folding; a query with spaces needs
// each of its words.
std::size_t scanBaseline(const std::vector<std::string_view>& texts, const std::string& query) {
  std::vector<vl::AsciiFoldNeedle> needles;
  for (const auto& part : vl::SearchQuery::splitParts(query)) {
    if (!part.empty()) needles.emplace_back(part);
  }
  std::size_t hits = 0;
  for (const auto& text : texts) {
    bool all = true;
    for (const auto& needle : needles) {
      if (needle.find(text) == vl::AsciiFoldNeedle::npos) {
        all = false;
        break;
      }
    }
    hits += all ? 1 : 0;
  }
  return hits;
}

class SqliteBaseline {
 public:
  explicit SqliteBaseline(const std::vector<std::string_view>& texts) {
    sqlite3_open(":memory:", &db_);
    sqlite3_exec(db_, "CREATE TABLE records(id INTEGER PRIMARY KEY, text TEXT)", nullptr, nullptr, nullptr);
    sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db_, "INSERT INTO records(text) VALUES (?)", -1, &insert, nullptr);
    for (const auto& text : texts) {
      sqlite3_bind_text(insert, 1, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  }
  ~SqliteBaseline() { sqlite3_close(db_); }

  // LIKE '%word%word%' for a query with spaces.
  std::size_t count(const std::string& query) {
    std::string pattern = "%";
    for (const auto& part : vl::SearchQuery::splitParts(query)) {
      if (!part.empty()) pattern += part + "%";
    }
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db_, "SELECT id FROM records WHERE text LIKE ?", -1, &select, nullptr);
    sqlite3_bind_text(select, 1, pattern.c_str(), -1, SQLITE_TRANSIENT);
    std::size_t rows = 0;
    while (sqlite3_step(select) == SQLITE_ROW) ++rows;
    sqlite3_finalize(select);
    return rows;
  }

 private:
  sqlite3* db_ = nullptr;
};

// The engine logs how many records a search found ("final file size N"); the benchmark keeps it.
std::atomic<long> lastFound{0};
void silence(const std::string& line) {
  static const std::string prefix = "final file size ";
  if (line.compare(0, prefix.size(), prefix) == 0) lastFound = std::atol(line.c_str() + prefix.size());
}

// With VL_BENCH_TRACE set, the engine's own log lines of one search, with their times.
Steady::time_point traceStart;
void trace(const std::string& line) {
  std::fprintf(stderr, "%9.3f ms  %s\n", msSince(traceStart), line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  vl::FreedMemory::atStart();
  const int records = argc > 1 ? std::max(kDocs, std::atoi(argv[1])) : 100000;
  const int perDoc = records / kDocs;
  vl::setLogSink(&silence);
  double load = 0;
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf", &load) != 1) load = 0;
    std::fclose(f);
  }
  std::printf("search benchmark: %d records in %d docs, %u hardware threads, load average %.1f\n",
              perDoc * kDocs, kDocs, std::thread::hardware_concurrency(), load);

  // ---- the history ----
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vl-bench-search-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder / "pin");
  const std::size_t rssBefore = residentBytes();
  auto start = Steady::now();
  Corpus corpus(42);
  vl::bench::DocChain docs = vl::bench::memoryDocChain(kDocs, folder);
  const double newest = 1.7e9;
  std::size_t bytes = 0;
  const std::shared_ptr<Vellisto_BigDoc> spare = docs.back();
  docs.pop_back();
  for (int i = 0; i < perDoc * kDocs; ++i) {
    std::string text = corpus.next();
    bytes += text.size();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%f", newest - (perDoc * kDocs - i) * 60.0);
    docs[i / perDoc]->appendChunk(vl::Vellisto_Chunk::initWithContext(std::move(text), std::nullopt,
                                                                      std::nullopt, std::nullopt, stamp));
  }
  Vellisto_BigDoc::waitForPendingWrites();
  const std::size_t rssAfter = residentBytes();
  std::printf(
      "built in %.0f ms: %.1f MB of UTF-8 text, resident memory %.0f bytes per record (%.0f bytes of text)\n",
      msSince(start), bytes / 1e6, double(rssAfter - rssBefore) / (perDoc * kDocs),
      double(bytes) / (perDoc * kDocs));

  // ---- the record store over that chain, as the clipboard tab ----
  vl::bench::openClipboardTab(docs, folder);
  vl::VLEngine& engine = vl::VLEngine::shared();
  auto channel = std::make_shared<WaitingChannel>();
  engine.setChannel(channel);
  vl::Vellisto_Master& master = vl::Vellisto_Master::shared();

  // One search or listing through the entry point; milliseconds until its rows were delivered.
  auto timed = [&](auto&& call) {
    auto t0 = Steady::now();
    channel->expect(static_cast<std::int64_t>(master.getAtomTaskId()) + 1);
    call();
    std::size_t rows = channel->wait();
    return std::make_pair(msSince(t0), rows);
  };
  auto fullSearch = [&](const std::string& query) {
    engine.cleanMatchedChunks();
    return timed([&] { engine.seach(query); });
  };

  std::vector<std::string_view> texts;
  for (const auto& doc : docs) {
    for (const auto& chunk : doc->chunks()) texts.push_back(chunk->context());
  }

  start = Steady::now();
  fullSearch("warm up");
  std::printf(
      "first search (folding tables, and every text's traits, which a loaded store works out in the "
      "background): %.1f ms\n\n",
      msSince(start));

  // For profiling: VL_BENCH_LOOP=<query> searches it 50 times and stops.
  if (const char* loop = std::getenv("VL_BENCH_LOOP")) {
    const std::string query = loop;
    // "a>b": search a, then b narrowing its matches; again and again.
    if (auto arrow = query.find('>'); arrow != std::string::npos) {
      for (int i = 0; i < 150; ++i) {
        fullSearch(query.substr(0, arrow));
        timed([&] { engine.seach(query.substr(arrow + 1)); });
      }
    } else {
      for (int i = 0; i < 300; ++i) fullSearch(query);
    }
    std::_Exit(0);
  }
  if (std::getenv("VL_BENCH_TRACE")) {
    for (const char* query : {"the", "the", "s", "se", "ser", "serv", "serve", "server"}) {
      if (query[0] != 's' || query[1] == 0) engine.cleanMatchedChunks();
      vl::setLogSink(&trace);
      traceStart = Steady::now();
      timed([&] { engine.seach(query); });
      vl::setLogSink(&silence);
      std::fprintf(stderr, "---\n");
    }
  }

  SqliteBaseline sqlite(texts);
  std::printf("%-16s %9s %9s %6s %11s %7s %11s %7s\n", "full search", "engine ms", "cpu ms", "rows",
              "(a) scan ms", "a/eng", "(b) LIKE ms", "b/eng");
  for (const std::string& query : {std::string(kRareWord), std::string("the"), std::string("error code")}) {
    std::vector<double> engineMs, engineCpu, scanMs, sqliteMs;
    std::size_t rows = 0, scanHits = 0, likeHits = 0;
    for (int r = 0; r < kRounds; ++r) {
      const double cpu0 = cpuMs();
      auto [ms, n] = fullSearch(query);
      engineCpu.push_back(cpuMs() - cpu0);
      engineMs.push_back(ms);
      rows = n;
      auto t0 = Steady::now();
      scanHits = scanBaseline(texts, query);
      scanMs.push_back(msSince(t0));
    }
    for (int r = 0; r < kSqliteRounds; ++r) {
      auto t0 = Steady::now();
      likeHits = sqlite.count(query);
      sqliteMs.push_back(msSince(t0));
    }
    const double e = median(engineMs), a = median(scanMs), b = median(sqliteMs);
    std::printf("%-16s %9.2f %9.2f %6zu %11.2f %7.2f %11.2f %7.2f  (records: scan %zu, LIKE %zu)\n",
                ("\"" + query + "\"").c_str(), e, median(engineCpu), rows, a, a / e, b, b / e, scanHits,
                likeHits);
  }

  // Every keystroke of a six-letter word: the first searches everything, the others only the last
  // matches of each doc.
  std::printf("\ntyping \"server\" (narrowing after the first letter), median of %d rounds:\n",
              kTypingRounds);
  const std::string word = "server";
  std::vector<std::vector<double>> perKey(word.size()), perKeyCpu(word.size());
  std::vector<long> perKeyFound(word.size());
  for (int r = 0; r < kTypingRounds; ++r) {
    engine.cleanMatchedChunks();
    for (std::size_t k = 1; k <= word.size(); ++k) {
      const double cpu0 = cpuMs();
      perKey[k - 1].push_back(timed([&] { engine.seach(word.substr(0, k)); }).first);
      perKeyCpu[k - 1].push_back(cpuMs() - cpu0);
      perKeyFound[k - 1] = lastFound;
    }
  }
  for (std::size_t k = 0; k < word.size(); ++k) {
    std::printf("  %-8s %8.2f ms (cpu %6.2f ms) %8ld records found among %ld%s\n",
                ("\"" + word.substr(0, k + 1) + "\"").c_str(), median(perKey[k]), median(perKeyCpu[k]),
                perKeyFound[k], k == 0 ? long(perDoc * kDocs) : perKeyFound[k - 1],
                k == 0 ? " (full search)" : "");
  }

  // The unfiltered list: a listing of every doc, then from the recent list it filled.
  std::vector<double> listing, cached;
  for (int r = 0; r < kRounds; ++r) {
    vl::PinManager::shared().activedTab()->sortedTable()->setSortedArray({});
    listing.push_back(timed([&] { engine.noneInput(); }).first);
    cached.push_back(timed([&] { engine.noneInput(); }).first);
  }
  std::printf("\nunfiltered list: listing 100 docs %.2f ms, from the recent list %.3f ms\n", median(listing),
              median(cached));

  vl::setLogSink(nullptr);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  std::fflush(stdout);
  // Docs and pool threads are left to the process's end.
  std::_Exit(0);
}
