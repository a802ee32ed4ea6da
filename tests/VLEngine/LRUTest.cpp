#include <gtest/gtest.h>

#include <string>

#include "VLEngine/DocTextForm.h"
#include "VLEngine/LRU/Vellisto_LRU.h"

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

}  // namespace
}  // namespace vl
