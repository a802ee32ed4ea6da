#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DocTestSupport.h"
#include "VLEngine/LRU/Vellisto_LRU.h"
#include "VLEngine/doc/bigdoc/DocTextForm.h"

namespace vl {
namespace {

std::string words(const Vellisto_LRU& list) {
  std::string out;
  for (auto node = list.head(); node; node = node->next()) out += node->item() + ",";
  return out;
}

TEST(LRUTest, ReofferedWordMovesToTheFrontAndTheTenNewestStay) {
  Vellisto_LRU list;
  for (const char* word : {"A", "B", "A", "C", "B"}) list.set(word);
  EXPECT_EQ(words(list), "B,C,A,");
  // Re-offering the tail keeps the back links right.
  EXPECT_EQ(list.tail()->item(), "A");
  EXPECT_EQ(list.tail()->prev()->item(), "C");
  EXPECT_EQ(list.find("A"), 2);
  EXPECT_EQ(list.find("never"), 11);

  Vellisto_LRU full;
  for (int i = 0; i < 11; ++i) full.set("w" + std::to_string(i));
  EXPECT_EQ(full.count(), 10);
  EXPECT_EQ(full.find("w0"), 11);
  EXPECT_EQ(full.find("w1"), 9);
  EXPECT_EQ(full.tail()->item(), "w1");
  EXPECT_EQ(full.accessor().size(), 10u);
}

TEST(LRUTest, StoredTextReadsBackInOrder) {
  const std::string stored = "first" + std::string(doctext::kWordSeparator) + "second";
  auto list = Vellisto_LRU::initWithLRUStr(stored);
  EXPECT_EQ(list.find("second"), 1);
  EXPECT_EQ(list.stringValue(), stored);
  EXPECT_TRUE(Vellisto_LRU::initWithLRUStr("").isEmpty());
  EXPECT_EQ(Vellisto_LRU().stringValue(), "");
}

// Every eviction past the first used to unlink the wrong node and break the list.
TEST(LRUTest, EvictionsKeepTheTenNewestWordsLinked) {
  struct Case {
    const char* name;
    std::vector<std::string> offers;
  };
  std::vector<std::string> twelve, thirty, tailRepeats;
  for (int i = 0; i < 12; ++i) twelve.push_back("w" + std::to_string(i));
  for (int i = 0; i < 30; ++i) thirty.push_back("w" + std::to_string(i));
  for (int i = 0; i < 14; ++i) {
    tailRepeats.push_back("w" + std::to_string(i));
    if (i >= 10) tailRepeats.push_back("w" + std::to_string(i - 9));  // the tail of the moment
  }
  const std::vector<Case> cases = {{"twelve", twelve}, {"thirty", thirty}, {"tail repeats", tailRepeats}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Vellisto_LRU list;
    std::vector<std::string> expected;  // newest first, as the list should hold it
    for (const auto& word : c.offers) {
      list.set(word);
      std::erase(expected, word);
      expected.insert(expected.begin(), word);
      if (expected.size() > 10) expected.pop_back();
    }
    std::string forward, backward;
    for (auto node = list.head(); node; node = node->next()) forward += node->item() + ",";
    for (auto node = list.tail(); node; node = node->prev()) backward = node->item() + "," + backward;
    std::string want;
    for (const auto& word : expected) want += word + ",";
    EXPECT_EQ(forward, want);
    EXPECT_EQ(backward, want);
    EXPECT_EQ(list.count(), 10);
    ASSERT_EQ(list.accessor().size(), 10u);
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(list.find(expected[i]), static_cast<int>(i));
  }
}

TEST(LRUTest, DocHoldingALongWordListReloads) {
  test::TempFolder dir;
  std::string stored;
  for (int i = 0; i < 12; ++i)
    stored += (i ? std::string(doctext::kWordSeparator) : "") + "w" + std::to_string(i);
  auto chunk = test::record("chosen often");
  chunk->setLru(Vellisto_LRU::initWithLRUStr(stored));
  auto doc = Vellisto_BigDoc::emptyDoc(0, dir.path());
  doc->appendChunk(chunk);
  Vellisto_BigDoc::waitForPendingWrites();
  // Two loads: the list the first load keeps must write and read back as it was.
  for (int round = 0; round < 2; ++round) {
    auto back = test::loadDoc(dir / "BigDoc_0");
    ASSERT_NE(back, nullptr);
    ASSERT_NE(back->chunkAt(0), nullptr);
    const std::shared_ptr<const Vellisto_LRU> list = back->chunkAt(0)->lru();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->find("w0"), 0);
    EXPECT_EQ(list->find("w9"), 9);
    EXPECT_EQ(list->find("w10"), 11);
    EXPECT_EQ(list->stringValue(), chunk->lru()->stringValue());
    back->persist();
    Vellisto_BigDoc::waitForPendingWrites();
  }
}

}  // namespace
}  // namespace vl
