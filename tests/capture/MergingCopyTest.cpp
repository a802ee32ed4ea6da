#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CaptureTestSupport.h"
#include "capture/CopyEntity.h"

namespace vl::test {
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
  // Each record as text, with snippets and images marked, so a fold into the wrong record shows.
  static std::vector<std::string> shape() {
    std::vector<std::string> out;
    for (const auto& chunk : records()) {
      if (jsonOf(chunk).contains("screenshot"))
        out.push_back("[image]");
      else
        out.push_back(chunk->alias() ? "[" + *chunk->alias() + "] " + chunk->context() : chunk->context());
    }
    return out;
  }
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
  EXPECT_EQ(LogCapture::count("--------------append merging copy sig=" + records()[0]->sig() + " length=3"),
            1);

  // The merged record is plain text again: a further double copy joins it too, here with the
  // second connector since the first is off.
  config().setBoolValueOfKey(VLConfig::kMergeWithFirstConnector, false);
  config().setStringValueOfKey(VLConfig::kSecondConnector, " | ");
  copy("c");
  copy("c");
  EXPECT_EQ(texts(), std::vector<std::string>{"a\nb | c"});
}

TEST_F(MergingCopyTest, CopiesThatAreNotADoubleCopyOfAPlainTextStaySeparate) {
  // Steps after "a" settled: a text is copied; "text." is copied and left to settle; "~ms" waits;
  // "<image>" is a screenshot; "<sn>" is a snippet the snippets exchange appends on its own queue;
  // "-" deletes the oldest record; "off" turns merging copy off.
  struct Case {
    std::vector<std::string> steps;
    std::vector<std::string> shape;
    std::string logged = "";  // the start of a line that tells why nothing was joined
  };
  const std::vector<Case> cases = {
      {{"b", "c"}, {"a", "b", "c"}},
      {{"b", "~1300", "b"}, {"a", "b"}},
      // The held copy renewed an older record instead of making one: there is nothing of its own to join.
      {{"b.", "x.", "b", "b"}, {"a", "b", "x"}},
      {{"off", "b", "b"}, {"a", "b"}},
      // The record before the held copy went while it was held: joining would take whatever is newest now.
      {{"b", "-", "b"}, {"b"}},
      {{"b", "<sn>", "b"}, {"a", "b", "[sn] snippet"}, "merging copy: "},
      {{"b", "<image>", "b"}, {"a", "b", "[image]"}},
      // The record before the held copy is a snippet, then an image.
      {{"<sn>", "b", "b", "~2000", "<image>", "~2000", "c", "c"}, {"a", "[sn] snippet", "b", "[image]", "c"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.steps));
    TearDown();
    SetUp();
    settle("a");
    for (const std::string& step : c.steps) {
      if (step == "off") {
        config().setBoolValueOfKey(VLConfig::kMergingCopy, false);
      } else if (step == "<image>") {
        screenshot();
      } else if (step == "<sn>") {
        engine().append("snippet", std::nullopt, std::nullopt, std::string("sn"), kClip);
      } else if (step[0] == '~') {
        wait(std::stod(step.substr(1)));
      } else if (step == "-") {
        ASSERT_TRUE(engine().delChunkByContext(records()[0]->context(), records()[0]->json(), kClip));
      } else if (step.back() == '.') {
        settle(step.substr(0, step.size() - 1));
      } else {
        copy(step);
      }
    }
    EXPECT_EQ(shape(), c.shape);
    EXPECT_TRUE(c.logged.empty() || LogCapture::containsPrefix(c.logged)) << c.logged;
  }
}

}  // namespace
}  // namespace vl::test
