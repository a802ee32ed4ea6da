#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Windows/Record/RecordQueue.h"
#include "capture/CopyEntity.h"

namespace vl {
namespace {

std::shared_ptr<CopyEntity> entity(const std::string& text) {
  auto e = std::make_shared<CopyEntity>();
  e->setString(text);
  return e;
}

RecordQueue queueOf(const std::vector<std::string>& newestLast) {
  RecordQueue q;
  for (const std::string& t : newestLast) q.append(entity(t));
  return q;
}

std::string texts(const RecordQueue& q) {
  std::string out;
  for (const auto& e : q.entries()) out += e->string();
  return out;
}

TEST(RecordQueueTest, DeletingARowKeepsOrMovesTheSelection) {
  struct Case {
    long selected, deleted, answer;
    std::string left, selectedText;
  };
  // Queue "CBA" (C at row 0).
  const std::vector<Case> cases = {
      {1, 0, 0, "BA", "B"},  // above the selection: the same entry, one row higher
      {0, 2, 0, "CB", "C"},  // below it: unchanged
      {1, 1, 1, "CA", "A"},  // the selected one: the entry moving up into its place
      {2, 2, 0, "CB", "C"},  // the selected last row: back to the top
  };
  for (const Case& c : cases) {
    RecordQueue q = queueOf({"A", "B", "C"});
    q.select(c.selected);
    EXPECT_EQ(q.deleteAtRow(c.deleted), c.answer) << c.selected << "/" << c.deleted;
    EXPECT_EQ(texts(q), c.left);
    EXPECT_EQ(q.selectedEntry()->string(), c.selectedText);
  }
  RecordQueue q = queueOf({"A"});
  EXPECT_EQ(q.deleteAtRow(5), 0);  // out of range: nothing happens
  EXPECT_EQ(q.deleteAtRow(-1), 0);
  EXPECT_EQ(q.deleteAtRow(0), -1);
  EXPECT_FALSE(q.selected());
  EXPECT_EQ(q.pasteSelected(), nullptr);
}

TEST(RecordQueueTest, PastingWalksTheQueueFromTheSelection) {
  RecordQueue q = queueOf({"A", "B", "C"});
  EXPECT_EQ(q.pasteSelected()->string(), "B");
  EXPECT_EQ(q.pasteSelected()->string(), "A");
  EXPECT_EQ(q.pasteSelected(), nullptr);
  EXPECT_FALSE(q.hasData());
}

TEST(RecordQueueTest, ReversingKeepsTheSelectedIndex) {
  RecordQueue q = queueOf({"A", "B", "C"});
  q.reverse();
  EXPECT_EQ(texts(q), "ABC");
  EXPECT_EQ(q.selected(), 0);
  EXPECT_EQ(q.selectedEntry()->string(), "A");
}

}  // namespace
}  // namespace vl
