#include <gtest/gtest.h>

#include "StoreTestSupport.h"

namespace vl {
namespace {

using test::StoreFixture;

class StoreLoadTest : public StoreFixture {};

TEST_F(StoreLoadTest, AnEmptyStoreFolderGetsDocZero) {
  loadAll();
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(engine().docCount(), 1);
  ASSERT_NE(engine().headDoc(), nullptr);
  EXPECT_EQ(engine().headDoc(), engine().tailDoc());
  EXPECT_EQ(engine().headDoc()->docId(), 0);
  EXPECT_TRUE(files::isRegularFile(dataPath() + "/BigDoc_0"));
  // The clipboard tab describes the same chain.
  auto clipboard = pins().clipboardPinTab();
  ASSERT_NE(clipboard, nullptr);
  EXPECT_EQ(clipboard->headDoc(), engine().headDoc());
  EXPECT_EQ(clipboard->docCount(), 1);
  EXPECT_EQ(pins().activedTab(), clipboard);
}

TEST_F(StoreLoadTest, DocsChainInNumericOrder) {
  for (std::int64_t id : {2, 10, 1, 9}) writeDoc(dataPath(), id, {"doc " + std::to_string(id)});
  loadAll();
  EXPECT_EQ(docIds(engine().headDoc()), (std::vector<std::int64_t>{1, 2, 9, 10}));
  EXPECT_EQ(engine().docCount(), 4);
  EXPECT_EQ(engine().tailDoc()->docId(), 10);
  EXPECT_EQ(engine().tailDoc()->prev()->docId(), 9);
  EXPECT_EQ(texts(engine().headDoc()), (std::vector<std::string>{"doc 1", "doc 2", "doc 9", "doc 10"}));
}

// Files the store did not write are passed by: nothing is deleted, renamed or rewritten by loading,
// and records still go to the real doc.
TEST_F(StoreLoadTest, StrayFilesInTheDataFolderAreLeftAlone) {
  writeDoc(dataPath(), 1, {"kept"});
  ASSERT_TRUE(files::atomicWrite(dataPath() + "/notes.txt", "mine"));
  ASSERT_TRUE(files::atomicWrite(dataPath() + "/BigDoc_x", "not a doc"));
  ASSERT_TRUE(files::atomicWrite(dataPath() + "/BigDoc_2.tmp", "pending"));
  ASSERT_TRUE(files::createDirectories(dataPath() + "/BigDoc_4"));
  ASSERT_TRUE(files::atomicWrite(dataPath() + "/BigDoc_4/inside", "folder named like a doc"));
  const auto before = snapshot(dataPath());

  loadAll();
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(snapshot(dataPath()), before);
  EXPECT_EQ(docIds(engine().headDoc()), (std::vector<std::int64_t>{1}));

  engine().append("new", std::nullopt, std::nullopt, kClip);
  Vellisto_BigDoc::waitForPendingWrites();
  auto after = snapshot(dataPath());
  EXPECT_NE(after["BigDoc_1"], before.at("BigDoc_1"));
  after["BigDoc_1"] = before.at("BigDoc_1");
  EXPECT_EQ(after, before);
}

// A doc that does not decode loads as what it still holds and stays on disk as it was; when no doc
// loads at all, the fresh doc takes a number that no existing file holds.
TEST_F(StoreLoadTest, DamagedDocsAreKeptAndNeverReplaced) {
  ASSERT_TRUE(files::createDirectories(dataPath()));
  ASSERT_TRUE(files::atomicWrite(dataPath() + "/BigDoc_0", "\x1f\x8b garbage that is not gzip"));
  const auto before = snapshot(dataPath());
  loadAll();
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(snapshot(dataPath()), before);
  EXPECT_EQ(engine().docCount(), 1);
  EXPECT_TRUE(engine().headDoc()->isDamaged());

  VLEngine::resetForTesting();
  engine().setFolders(home());
  ASSERT_TRUE(files::removeRecursive(dataPath() + "/BigDoc_0"));
  ASSERT_TRUE(files::createDirectories(dataPath() + "/BigDoc_0"));  // a folder where doc 0 would go
  engine().load();
  Vellisto_BigDoc::waitForPendingWrites();
  ASSERT_NE(engine().headDoc(), nullptr);
  EXPECT_EQ(engine().headDoc()->docId(), 1);
  EXPECT_TRUE(files::isDirectory(dataPath() + "/BigDoc_0"));
}

}  // namespace
}  // namespace vl
