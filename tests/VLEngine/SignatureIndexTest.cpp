// The store finds a record by its signature through its chain's index: whatever happens to the chain,
// the answer is the one that walking the docs from the head gives.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "StoreTestSupport.h"
#include "VLEngine/doc/index/SignatureIndex.h"

namespace vl {
namespace {

using test::StoreFixture;

class SignatureIndexTest : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    // Docs of four slots, so that a few dozen changes roll over into several docs.
    Vellisto_BigDoc::setMaxChunkSizeForTesting(4);
  }
  void TearDown() override {
    Vellisto_BigDoc::setMaxChunkSizeForTesting(0);
    StoreFixture::TearDown();
  }

  // What walking the chain finds: the first doc holding the signature, its newest slot with it,
  // passing by records deleted in place.
  static std::shared_ptr<Vellisto_Chunk> walked(const std::string& sig) {
    for (auto doc = engine().headDoc(); doc; doc = doc->next()) {
      auto chunk = doc->indexOfDigest(sig);
      if (chunk && !chunk->isLogicallyDeleted()) return chunk;
    }
    return nullptr;
  }

  static std::string sigOf(const std::string& text) {
    return Vellisto_Chunk::md5HexDigest(Vellisto_Chunk::toBeSignedString(text, Json::object()));
  }

  // Every text of the pool is found as a walk finds it.
  void expectAsWalked(const std::vector<std::string>& pool, const std::string& step) {
    for (const std::string& text : pool) {
      const std::shared_ptr<Vellisto_Chunk> expected = walked(sigOf(text));
      EXPECT_EQ(engine().getChunkByContext(text, Json::object(), kClip), expected) << step << ": " << text;
      EXPECT_EQ(engine().getChunkBySig(sigOf(text), kClip), expected) << step << ": " << text;
      ++answers_[Vellisto_BigDoc::chainIndex(engine().headDoc())->find(sigOf(text)).answer];
    }
  }

  // How often the index answered each way, so a test knows it asked the index and not only walks.
  std::map<SignatureIndex::Answer, int> answers_;
};

TEST_F(SignatureIndexTest, FindsWhatAWalkFindsWhateverTheChainWentThrough) {
  writeDoc(dataPath(), 0, {"t0", "t1", "t0"});
  writeDoc(dataPath(), 1, {"t2", "t1"});
  loadAll();
  std::vector<std::string> pool;
  for (int i = 0; i < 40; ++i) pool.push_back("t" + std::to_string(i));
  expectAsWalked(pool, "loaded");

  std::mt19937 random(7);
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
  for (int step = 0; step < 400; ++step) {
    const std::string& text = pool[pick(pool.size())];
    std::string what;
    switch (pick(5)) {
      case 0:
      case 1:
        // The store appends whatever it is given, repeats included; the tail rolls over.
        what = "append " + text;
        ASSERT_NE(engine().append(text, std::nullopt, Json::object(), kClip), nullptr);
        break;
      case 2:
        what = "delete " + text;
        (void)engine().delChunkByContext(text, Json::object(), kClip);  // absent or not, both are checked
        break;
      case 3: {
        // Deleted in place: it stays in its doc and is passed by.
        auto doc = engine().headDoc();
        for (std::size_t hops = pick(static_cast<std::size_t>(engine().docCount())); hops && doc; --hops)
          doc = doc->next();
        if (!doc || doc->chunkCount() == 0) continue;
        const std::size_t slot = pick(doc->chunkCount());
        what = "delete in place slot " + std::to_string(slot);
        doc->logicalDeleteChunk(slot);
        break;
      }
      case 4: {
        // Straight into a doc before the tail, as a store that missed a roll-over would.
        auto doc = engine().headDoc();
        what = "append into the head doc " + text;
        doc->appendChunk(Vellisto_Chunk::initWithContext(text, std::nullopt, Json::object()));
        break;
      }
    }
    expectAsWalked(pool, std::to_string(step) + " " + what);
    if (HasFailure()) return;
  }
  EXPECT_GT(engine().docCount(), 5);
  for (auto answer :
       {SignatureIndex::Answer::Found, SignatureIndex::Answer::Absent, SignatureIndex::Answer::Unsure})
    EXPECT_GT(answers_[answer], 100) << static_cast<int>(answer);

  // A doc read again from its file takes its records' places in the index.
  auto head = engine().headDoc();
  Vellisto_BigDoc::waitForPendingWrites();
  ASSERT_TRUE(head->load(head->filePath()));
  expectAsWalked(pool, "head reloaded");
}

TEST_F(SignatureIndexTest, DocsLinkedAfterTheIndexWasMadeJoinIt) {
  loadAll();
  auto first = engine().append("first", std::nullopt, Json::object(), kClip);
  ASSERT_NE(first, nullptr);
  // The first look-up makes the index; a doc linked behind the tail after that brings its records in.
  EXPECT_EQ(engine().getChunkByContext(std::string("first"), Json::object(), kClip), first);
  auto extra = Vellisto_BigDoc::emptyDoc(9, dataPath());
  ASSERT_NE(extra, nullptr);
  auto later = Vellisto_Chunk::initWithContext("later", std::nullopt, Json::object());
  extra->appendChunk(later);
  engine().tailDoc()->setNext(extra);
  extra->setPrev(engine().tailDoc());
  engine().setTailDoc(extra);
  engine().setDocCount(engine().docCount() + 1);
  EXPECT_EQ(engine().getChunkByContext(std::string("later"), Json::object(), kClip), later);
  EXPECT_EQ(Vellisto_BigDoc::chainIndex(engine().headDoc())->count(), 2u);
  // A doc that goes takes its records out of the index.
  engine().tailDoc()->prev()->setNext(nullptr);
  engine().setTailDoc(engine().tailDoc()->prev());
  engine().setDocCount(engine().docCount() - 1);
  later.reset();
  extra.reset();
  EXPECT_EQ(Vellisto_BigDoc::chainIndex(engine().headDoc())->count(), 1u);
}

// Table of signatures the index cannot answer for, and what it says instead of guessing.
TEST_F(SignatureIndexTest, SaysWhatItCannotTell) {
  SignatureIndex index;
  auto one = Vellisto_Chunk::initWithContext("one", std::nullopt, std::nullopt);
  auto twin = Vellisto_Chunk::initWithContext("one", std::nullopt, std::nullopt);
  auto other = Vellisto_Chunk::initWithContext("other", std::nullopt, std::nullopt);
  index.add(one);
  index.add(other);
  struct Case {
    std::string sig;
    SignatureIndex::Answer answer;
  };
  const std::vector<Case> before = {
      {one->sig(), SignatureIndex::Answer::Found},
      {sigOf("none"), SignatureIndex::Answer::Absent},
      {"not a signature", SignatureIndex::Answer::Unsure},
      {"", SignatureIndex::Answer::Unsure},
  };
  for (const auto& c : before) EXPECT_EQ(index.find(c.sig).answer, c.answer) << c.sig;
  index.add(twin);  // a second record with one's signature: which is first takes a walk
  EXPECT_EQ(index.find(one->sig()).answer, SignatureIndex::Answer::Unsure);
  other->setFlag(Vellisto_Chunk::kFlagDeleted);  // deleted in place: a walk passes it by
  EXPECT_EQ(index.find(other->sig()).answer, SignatureIndex::Answer::Unsure);
  index.remove(*other);
  EXPECT_EQ(index.find(other->sig()).answer, SignatureIndex::Answer::Absent);
  EXPECT_EQ(index.count(), 1u);
}

// The table grows and records leave it in any order: every one left is still found.
TEST_F(SignatureIndexTest, EntriesSurviveGrowthAndRemovalsInAnyOrder) {
  SignatureIndex index;
  std::vector<std::shared_ptr<Vellisto_Chunk>> chunks;
  for (int i = 0; i < 2000; ++i) {
    chunks.push_back(
        Vellisto_Chunk::initWithContext("text " + std::to_string(i), std::nullopt, std::nullopt));
    index.add(chunks.back());
  }
  std::mt19937 random(3);
  std::shuffle(chunks.begin(), chunks.end(), random);
  for (std::size_t i = 0; i < chunks.size(); i += 2) index.remove(*chunks[i]);
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    const SignatureIndex::Result result = index.find(chunks[i]->sig());
    if (i % 2 == 0) {
      EXPECT_EQ(result.answer, SignatureIndex::Answer::Absent) << i;
    } else {
      EXPECT_EQ(result.chunk, chunks[i]) << i;
    }
  }
  EXPECT_EQ(index.count(), chunks.size() / 2);
}

}  // namespace
}  // namespace vl
