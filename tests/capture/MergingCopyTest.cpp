#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CaptureTestSupport.h"
#include "capture/CopyEntity.h"

namespace vl::testing {
namespace {

// Merging copy on, with the line feed as connector (the first connector's default).
class MergingCopyTest : public CaptureFixture {
 public:
  void SetUp() override {
    CaptureFixture::SetUp();
    config().setBoolValueOfKey(VLConfig::kMergingCopy, true);
    start();
  }
  // A copy that nothing holds any more.
  void settle(const std::string& text) {
    copy(text);
    wait(2000);
  }
  void screenshot() { copyItems({PasteboardItem(kPasteboardTypePNG, pngBytes())}); }
};

TEST_F(MergingCopyTest, ATextCopiedTwiceQuicklyJoinsTheRecordBeforeIt) {
  std::vector<std::pair<std::string, std::vector<std::string>>> synced;
  CaptureHooks::setSyncMergingCopy(
      [&](const std::shared_ptr<Vellisto_Chunk>& chunk, const std::vector<std::string>& replaced) {
        synced.emplace_back(chunk->context(), replaced);
      });
  settle("a");
  copy("b");
  copy("b");
  EXPECT_EQ(texts(), std::vector<std::string>{"a\nb"});
  EXPECT_EQ(jsonOf(records()[0]), Json::object());
  ASSERT_EQ(synced.size(), 1u);
  EXPECT_EQ(synced[0].first, "a\nb");
  EXPECT_EQ(synced[0].second, (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(LogCapture::count("--------------append merging copy a\nb"), 1);

  // The merged record is plain text again: a further double copy joins it too.
  copy("c");
  copy("c");
  EXPECT_EQ(texts(), std::vector<std::string>{"a\nb\nc"});
}

TEST_F(MergingCopyTest, TheSecondConnectorIsUsedWhenTheFirstIsOff) {
  config().setBoolValueOfKey(VLConfig::kMergeWithFirstConnector, false);
  config().setStringValueOfKey(VLConfig::kSecondConnector, " | ");
  settle("a");
  copy("b");
  copy("b");
  EXPECT_EQ(texts(), std::vector<std::string>{"a | b"});
}

TEST_F(MergingCopyTest, CopiesThatAreNotADoubleCopyStaySeparate) {
  struct Case {
    std::string what;
    std::function<void(MergingCopyTest&)> steps;
    std::vector<std::string> texts;
  };
  const std::vector<Case> cases = {
      {"two different texts",
       [](MergingCopyTest& t) {
         t.copy("b");
         t.copy("c");
       },
       {"a", "b", "c"}},
      {"after the time-out",
       [](MergingCopyTest& t) {
         t.copy("b");
         t.wait(1300);
         t.copy("b");
       },
       {"a", "b"}},
      // The held copy renewed an older record instead of making one: there is nothing of its own to join.
      {"a text already stored",
       [](MergingCopyTest& t) {
         t.settle("b");
         t.settle("x");
         t.copy("b");
         t.copy("b");
       },
       {"a", "b", "x"}},
      {"merging copy off",
       [](MergingCopyTest& t) {
         t.config().setBoolValueOfKey(VLConfig::kMergingCopy, false);
         t.copy("b");
         t.copy("b");
       },
       {"a", "b"}},
      // The record before the held copy went while it was held: joining would take whatever is newest now.
      {"the record before deleted meanwhile",
       [](MergingCopyTest& t) {
         t.copy("b");
         ASSERT_TRUE(t.engine().delChunkByContext("a", t.records()[0]->json(), kClip));
         t.copy("b");
       },
       {"b"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    settle("a");
    c.steps(*this);
    EXPECT_EQ(texts(), c.texts);
  }
}

TEST_F(MergingCopyTest, NeverFoldsASnippetOrAnImageIntoTheText) {
  // A snippet arrives between the two copies (the snippets exchange appends on its own queue).
  settle("a");
  copy("b");
  engine().append("snippet text", std::nullopt, std::nullopt, std::string("sn"), kClip);
  copy("b");
  EXPECT_EQ(texts(), (std::vector<std::string>{"a", "b", "snippet text"}));
  ASSERT_TRUE(records()[2]->alias());
  EXPECT_TRUE(LogCapture::containsPrefix("merging copy: "));

  // An image copied between the two copies.
  TearDown();
  SetUp();
  settle("a");
  copy("b");
  screenshot();
  copy("b");
  ASSERT_EQ(texts().size(), 3u);
  EXPECT_EQ(texts()[1], "b");
  EXPECT_TRUE(jsonOf(records()[2]).contains("screenshot"));

  // The record before the held copy is a snippet or an image.
  TearDown();
  SetUp();
  engine().append("snippet text", std::nullopt, std::nullopt, std::string("sn"), kClip);
  copy("b");
  copy("b");
  wait(2000);
  screenshot();
  wait(2000);
  copy("c");
  copy("c");
  ASSERT_EQ(texts().size(), 4u);
  EXPECT_EQ(texts()[0], "snippet text");
  EXPECT_EQ(texts()[1], "b");
  EXPECT_EQ(texts()[3], "c");
  EXPECT_TRUE(records()[0]->alias());
}

}  // namespace
}  // namespace vl::testing
