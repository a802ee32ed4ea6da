#include <gtest/gtest.h>

#include <string>

#include "VLEngine/DocTextForm.h"
#include "VLEngine/LRU/Vellisto_LRU.h"

namespace vl {
namespace {

const std::string kEOL(doctext::kWordSeparator);

std::string words(const Vellisto_LRU& list) {
  std::string out;
  for (auto node = list.head(); node; node = node->next()) out += node->item() + ",";
  return out;
}

TEST(LRUTest, ReofferedWordMovesToTheFront) {
  Vellisto_LRU list;
  list.set("A");
  list.set("B");
  list.set("A");
  EXPECT_EQ(words(list), "A,B,");
  EXPECT_EQ(list.find("A"), 0);
  EXPECT_EQ(list.find("B"), 1);
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.find("never"), 11);

  // Re-offering the tail keeps the links and the tail right.
  list.set("C");  // C, A, B
  list.set("B");  // B, C, A
  EXPECT_EQ(words(list), "B,C,A,");
  EXPECT_EQ(list.tail()->item(), "A");
  EXPECT_EQ(list.tail()->prev()->item(), "C");
  EXPECT_EQ(list.find("B"), 0);
  EXPECT_EQ(list.find("C"), 1);
  EXPECT_EQ(list.find("A"), 2);
}

TEST(LRUTest, KeepsTheTenNewestWords) {
  Vellisto_LRU list;
  for (int i = 0; i < 11; ++i) list.set("w" + std::to_string(i));
  EXPECT_EQ(list.count(), 10);
  EXPECT_EQ(list.find("w0"), 11);
  EXPECT_EQ(list.find("w1"), 9);
  EXPECT_EQ(list.find("w10"), 0);
  EXPECT_EQ(list.tail()->item(), "w1");
  EXPECT_EQ(list.accessor().size(), 10u);
}

TEST(LRUTest, StoredTextReadsBackInOrder) {
  auto list = Vellisto_LRU::initWithLRUStr("first" + kEOL + "second");
  EXPECT_EQ(list.find("first"), 0);
  EXPECT_EQ(list.find("second"), 1);
  EXPECT_EQ(list.stringValue(), "first" + kEOL + "second");
  EXPECT_TRUE(Vellisto_LRU::initWithLRUStr("").isEmpty());
  EXPECT_EQ(Vellisto_LRU().stringValue(), "");
}

}  // namespace
}  // namespace vl
