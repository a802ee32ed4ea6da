#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "DocTestSupport.h"
#include "VLEngine/doc/bigdoc/DocChainLoader.h"
#include "VLEngine/doc/bigdoc/DocFileReplacer.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "platform/foundation/Clock.h"

// kill -9 of a process that writes records: every record it acknowledged is in the folder afterwards,
// once, and every delete it acknowledged has happened, wherever the kill fell (in a fold, between the
// new file's rename and its journals' removal, in the middle of a journal write).
namespace vl {
namespace {

constexpr const char* kChildFolder = "VL_DOC_CRASH_FOLDER";
constexpr const char* kChildFd = "VL_DOC_CRASH_FD";
constexpr const char* kChildFirst = "VL_DOC_CRASH_FIRST";
// Docs this small roll over every few dozen records, so kills land around roll-overs too.
constexpr int kDocSlots = 24;

// The chain of the writer: its head, for the loader's owner, and its tail, where records go.
class ChildChain : public Vellisto_DocChainOwner {
 public:
  void docDidRollOver(const std::shared_ptr<Vellisto_BigDoc>&,
                      const std::shared_ptr<Vellisto_BigDoc>& next) override {
    tail = next;
  }
  void chunkDidLeave(const std::shared_ptr<Vellisto_Chunk>&) override {}
  std::shared_ptr<Vellisto_BigDoc> head, tail;
};

void say(int fd, char what, long number) {
  char line[32];
  const int n = std::snprintf(line, sizeof line, "%c %ld\n", what, number);
  if (::write(fd, line, static_cast<std::size_t>(n)) != n) std::_Exit(3);
}

// The writer the test kills: appends "n<number>" records, deletes some, refreshes others, asks for
// folds while it goes on, and says on `fd` what is acknowledged ("A n", "D n"), what a delete is about
// to do ("d n") and when a fold is about to rename its file ("F 0").
[[noreturn]] void runWriter(const std::string& folder, int fd, long first) {
  Vellisto_BigDoc::setMaxChunkSizeForTesting(kDocSlots);
  DocFileReplacer::setBeforeRenameHookForTesting([fd](const std::string&, const std::string&) {
    say(fd, 'F', 0);
    return true;
  });
  auto chain = std::make_shared<ChildChain>();
  DocChain loaded = DocChainLoader::loadFolder(folder, chain);
  chain->head = loaded.head ? loaded.head : DocChainLoader::freshDoc(folder, 0, chain);
  chain->tail = loaded.tail ? loaded.tail : chain->head;
  std::map<long, std::shared_ptr<Vellisto_Chunk>> present;
  for (auto doc = chain->head; doc; doc = doc->next()) {
    for (const auto& chunk : doc->chunks()) {
      if (chunk) present[std::stol(std::string(chunk->context().substr(1)))] = chunk;
    }
  }
  std::mt19937 random(static_cast<unsigned>(first));
  for (long n = first;; ++n) {
    auto chunk = test::record("n" + std::to_string(n));
    chain->tail->appendChunk(chunk);
    present[n] = chunk;
    say(fd, 'A', n);
    const unsigned roll = random() % 8;
    if (roll == 0 && present.size() > 1) {
      auto victim = std::next(present.begin(), static_cast<long>(random() % (present.size() - 1)));
      say(fd, 'd', victim->first);
      for (auto doc = chain->head; doc; doc = doc->next()) {
        if (doc->physicalDeleteChunkByDigest(victim->second->sig())) break;
      }
      say(fd, 'D', victim->first);
      present.erase(victim);
    } else if (roll == 1) {
      // A change in place, journaled like any other.
      auto target = std::next(present.begin(), static_cast<long>(random() % present.size()));
      target->second->updateTimestamp(Vellisto_Chunk::nowTimestamp());
    } else if (roll == 2) {
      chain->tail->persist();
    }
  }
}

// Started as a copy of this program, the writer runs before any test and never returns.
class WriterEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* folder = std::getenv(kChildFolder);
    if (!folder) return;
    runWriter(folder, std::atoi(std::getenv(kChildFd)), std::atol(std::getenv(kChildFirst)));
  }
};
[[maybe_unused]] ::testing::Environment* const kWriterEnvironment =
    ::testing::AddGlobalTestEnvironment(new WriterEnvironment);

struct Writer {
  pid_t pid = -1;
  int fd = -1;
};

Writer startWriter(const std::string& folder, long first) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  std::vector<std::string> env = {std::string(kChildFolder) + "=" + folder,
                                  std::string(kChildFd) + "=" + std::to_string(pipeFds[1]),
                                  std::string(kChildFirst) + "=" + std::to_string(first)};
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string self = "/proc/self/exe";
  std::string filter = "--gtest_filter=DocCrashTest.*";
  char* argv[] = {self.data(), filter.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  Writer run;
  if (::posix_spawn(&run.pid, "/proc/self/exe", &actions, nullptr, argv, envp.data()) != 0) run.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  run.fd = pipeFds[0];
  return run;
}

TEST(DocCrashTest, AKilledWriterLosesNoAcknowledgedRecordAndRepeatsNone) {
  // The checks below load the folder too: on a manual clock they never fold what the writer left.
  Clock::install(std::make_shared<ManualClock>());
  test::TempFolder dir;
  std::set<long> present;
  long next = 0;
  std::mt19937 random(20240611);
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const bool inAFold = round % 2 == 1;
    const long killAt = inAFold ? 1 + static_cast<long>(random() % 3) : 5 + static_cast<long>(random() % 60);
    Writer run = startWriter(dir.path(), next);
    ASSERT_GT(run.pid, 0);
    FILE* lines = ::fdopen(run.fd, "r");
    long acks = 0, folds = 0;
    std::optional<long> deleting;
    bool killed = false;
    char what = 0;
    long number = 0;
    // Reads until the writer's end of the pipe closes: lines written before the kill were acknowledged.
    while (std::fscanf(lines, " %c %ld", &what, &number) == 2) {
      if (what == 'A') {
        present.insert(number);
        next = number + 1;
        ++acks;
      } else if (what == 'd') {
        deleting = number;
      } else if (what == 'D') {
        present.erase(number);
        deleting.reset();
      } else if (what == 'F') {
        ++folds;
      }
      if (!killed && (inAFold ? folds >= killAt : acks >= killAt)) {
        ::kill(run.pid, SIGKILL);
        killed = true;
      }
    }
    std::fclose(lines);
    int status = 0;
    ::waitpid(run.pid, &status, 0);
    ASSERT_TRUE(killed) << "the writer ended by itself, status " << status;

    DocChain chain = DocChainLoader::loadFolder(dir.path(), nullptr);
    ASSERT_TRUE(chain.wellFormed());
    std::vector<long> found;
    for (auto doc = chain.head; doc; doc = doc->next()) {
      for (const auto& chunk : doc->chunks()) {
        if (chunk) found.push_back(std::stol(std::string(chunk->context().substr(1))));
      }
    }
    std::set<long> loaded(found.begin(), found.end());
    EXPECT_EQ(loaded.size(), found.size()) << "a record is there twice";
    // What the writer did not live to acknowledge may be there or not: the append of `next`, and the
    // delete it announced.
    std::set<long> expected = present;
    if (loaded.count(next)) expected.insert(next);
    if (deleting && !loaded.count(*deleting)) expected.erase(*deleting);
    EXPECT_EQ(loaded, expected);
    if (loaded.count(next)) ++next;
    present = loaded;
  }
  Clock::install(nullptr);
}

}  // namespace
}  // namespace vl
