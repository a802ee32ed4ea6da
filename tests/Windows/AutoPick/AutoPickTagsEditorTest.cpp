#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AutoPickUiTestSupport.h"
#include "autopick/AutoPickConfig.h"

namespace vl {
namespace {

using Ids = std::vector<std::string>;

class AutoPickTagsEditorTest : public test::AutoPickUiTest {};

// Confirms every removal at once, as the form does after its alert's OK.
class ConfirmingHost : public AutoPickTagsEditorDelegate {
 public:
  bool autoPickTagsEditorShouldDelTagView(AutoPickTagsEditor& editor,
                                          const std::shared_ptr<AutoPickTagView>& tag) override {
    asked.push_back(tag->node()->identifier());
    editor.delTagView(tag);
    return true;
  }
  Ids asked;
};

TEST_F(AutoPickTagsEditorTest, AddedRulesAreStoredAndLoadBackInForestOrder) {
  editor_->shouldAddNode(freshNode("text_matched_regex"));
  EXPECT_EQ(tagIds(), (Ids{"text_matched_regex", "text"}));  // the child first, as it came
  EXPECT_EQ(stored(), (Ids{"text", "text_matched_regex"}));

  // A second node of a kind already shown keeps the old tag and its node.
  auto old = editor_->tags()[0]->node();
  old->setValue("^a");
  auto again = freshNode("text_matched_regex");
  again->setValue("^b");
  editor_->shouldAddNode(again);
  EXPECT_EQ(editor_->tags().size(), 2u);
  EXPECT_EQ(editor_->tags()[0]->node(), old);
  EXPECT_EQ(stored(), (Ids{"text", "text_matched_regex=^a"}));

  editor_->loadTags();
  EXPECT_EQ(tagIds(), (Ids{"text", "text_matched_regex"}));
  // Loaded tags edit a copy: the stored rules change only when written through.
  editor_->tags()[1]->node()->setValue("^z");
  EXPECT_EQ(stored(), (Ids{"text", "text_matched_regex=^a"}));

  // Without a tab the editor only keeps its tags; the form hands the new tab the forest afterwards.
  editor_->setPinTabId("");
  editor_->loadTags();
  editor_->shouldAddNode(freshNode("image"));
  EXPECT_EQ(tagIds(), (Ids{"image"}));
  EXPECT_EQ(stored(), (Ids{"text", "text_matched_regex=^a"}));
  ASSERT_EQ(editor_->getForest()->activeNodes().size(), 1u);
}

TEST_F(AutoPickTagsEditorTest, TagsFlowInRowsAndCloseUpAfterARemoval) {
  auto host = std::make_shared<ConfirmingHost>();
  editor_->setDelegate(host);
  editor_->setFrameSize({300, AutoPickTagsEditor::kHeight});
  for (const char* id : {"image", "application", "link_matched_regex", "text", "text_matched_regex"}) {
    editor_->addNode(freshNode(id));
  }
  // Each tag stands where "+" stood; one that does not fit starts a row 10 points lower at x 35, and "+"
  // wraps the same way.
  ui::Rect prev{0, 70, AutoPickTagsEditor::kRowStart - AutoPickTagsEditor::kGap, 20};
  int rows = 1;
  for (const auto& tag : editor_->tags()) {
    const ui::Rect f = tag->frame();
    EXPECT_LE(f.maxX(), 300) << tag->node()->identifier();
    if (f.origin.y == prev.origin.y) {
      EXPECT_EQ(f.origin.x, prev.maxX() + AutoPickTagsEditor::kGap) << tag->node()->identifier();
    } else {
      EXPECT_EQ(f.origin, (ui::Point{AutoPickTagsEditor::kRowStart, prev.origin.y - 30}));
      ++rows;
    }
    prev = f;
  }
  EXPECT_GE(rows, 2);
  const ui::Rect plus = editor_->addButton()->frame();
  EXPECT_TRUE(plus.origin == (ui::Point{prev.maxX() + 5, prev.origin.y}) ||
              plus.origin == (ui::Point{AutoPickTagsEditor::kRowStart, prev.origin.y - 30}));

  // The remove button shows over a hovered tag and goes through the host; a child takes its
  // ancestors' tags along, and the rest close up from the start.
  auto linkRegex = editor_->tags()[2];
  events_.moveMouse(window_, linkRegex->convertPointToView({5, 10}, nullptr));
  ASSERT_FALSE(linkRegex->delButton()->isHidden());
  clickView(*linkRegex->delButton());
  EXPECT_EQ(host->asked, (Ids{"link_matched_regex"}));
  EXPECT_EQ(tagIds(), (Ids{"image", "application", "text", "text_matched_regex"}));
  EXPECT_EQ(editor_->tags()[0]->frame().origin, (ui::Point{AutoPickTagsEditor::kRowStart, 70}));
  EXPECT_EQ(editor_->tags()[1]->frame().origin.x, editor_->tags()[0]->frame().maxX() + 5);
  EXPECT_EQ(stored(), (Ids{"image", "application", "text", "text_matched_regex"}));

  // A parent's removal leaves its children; without a host the button does nothing.
  editor_->addNode(freshNode("link_matched_regex"));
  editor_->addNode(freshNode("link"));
  editor_->delTagView(editor_->tags().back());
  EXPECT_EQ(tagIds(), (Ids{"image", "application", "text", "text_matched_regex", "link_matched_regex"}));
  editor_->setDelegate(nullptr);
  editor_->tags()[0]->del();
  EXPECT_EQ(editor_->tags().size(), 5u);
}

TEST_F(AutoPickTagsEditorTest, TwoRulesFileAMatchingCopyIntoTheTab) {
  auto ticket = freshNode(AutoPickConfig::kTextMatchedRegex);
  ticket->setValue("^ticket-[0-9]+");
  auto link = freshNode(AutoPickConfig::kLinkMatchedRegex);
  link->setValue("example\\.org");
  editor_->shouldAddNode(ticket);
  editor_->shouldAddNode(link);

  auto& engine = VLEngine::shared();
  for (auto [text, filed] : {std::pair{"ticket-42", true},
                             {"https://example.org/a", true},
                             {"https://example.net/a", false},
                             {"no ticket", false}}) {
    auto record = engine.append(text, std::nullopt, std::nullopt, kClipboardPinTabId);
    engine.copyIntoPinTabs(record, PinManager::shared().autoPick(record, Json{{"app_name", "firefox"}}));
    auto copy = engine.getChunkByContext(std::string(text), std::nullopt, tab_->pinTabId());
    EXPECT_EQ(copy != nullptr, filed) << text;
  }
}

}  // namespace
}  // namespace vl
