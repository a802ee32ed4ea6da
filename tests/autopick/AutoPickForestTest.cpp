#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "autopick/AutoPickConfig.h"
#include "autopick/AutoPickFactory.h"
#include "autopick/AutoPickForest.h"
#include "autopick/AutoPickNode.h"
#include "autopick/AutoPickTree.h"

namespace vl {
namespace {

using NodeList = std::vector<std::shared_ptr<AutoPickNode>>;

std::shared_ptr<AutoPickNode> chosen(const char* identifier,
                                     std::optional<std::string> value = std::nullopt) {
  auto node = std::make_shared<AutoPickNode>();
  node->setIdentifier(identifier);
  node->setValue(std::move(value));
  return node;
}

std::vector<std::string> identifiers(const NodeList& nodes) {
  std::vector<std::string> ids;
  for (const auto& n : nodes) ids.push_back(n->identifier());
  return ids;
}

std::vector<std::string> rootIds(const AutoPickForest& forest) {
  std::vector<std::string> ids;
  for (const auto& t : forest.trees()) ids.push_back(t->root()->identifier());
  return ids;
}

const Json kImage = Json{{"image", "a.png"}};
const Json kScreenshot = Json{{"image", "a.png"}, {"screenshot", "1"}};
const Json kText = Json::object();
Json inApp(const char* name) { return Json{{"app_name", name}}; }

// The joining rule over every combination of tree results, against the reading each example is given.
struct RuleExample {
  const char* name;
  std::vector<std::int64_t> relationals;
  std::function<bool(const std::vector<bool>&)> expected;
};

TEST(AutoPickForestRule, ExamplesHoldForEveryCombinationOfResults) {
  const std::vector<RuleExample> examples = {
      {"[application]", {0}, [](auto& v) { return v[0]; }},
      {"[image, text]", {1, 1}, [](auto& v) { return v[0] || v[1]; }},
      {"[application, text]", {0, 1}, [](auto& v) { return v[0] || v[1]; }},
      {"[image, application]", {1, 0}, [](auto& v) { return v[0] && v[1]; }},
      {"[image, application, text]", {1, 0, 1}, [](auto& v) { return v[0] && v[1] && v[2]; }},
      {"[image, application, text, link]",
       {1, 0, 1, 1},
       [](auto& v) { return (v[0] && v[1] && v[2]) || v[3]; }},
      {"[application, text, link]", {0, 1, 1}, [](auto& v) { return v[0] || v[1] || v[2]; }},
      // The first tree's relational is never read; unknown relationals leave the result alone.
      {"first relational ignored", {7, 1}, [](auto& v) { return v[0] || v[1]; }},
      {"unknown relational skipped", {1, 5, 1}, [](auto& v) { return v[0] || v[2]; }},
      {"unknown keeps the AND mark", {1, 0, -1, 1}, [](auto& v) { return v[0] && v[1] && v[3]; }},
  };
  for (const auto& example : examples) {
    std::size_t n = example.relationals.size();
    for (unsigned bits = 0; bits < (1u << n); ++bits) {
      std::vector<bool> values;
      std::vector<std::pair<bool, std::int64_t>> results;
      for (std::size_t i = 0; i < n; ++i) {
        values.push_back((bits >> i) & 1u);
        results.emplace_back(values.back(), example.relationals[i]);
      }
      EXPECT_EQ(AutoPickForest::combineResults(results), example.expected(values))
          << example.name << " with results bits " << bits;
    }
  }
  EXPECT_FALSE(AutoPickForest::combineResults({}));
}

TEST(AutoPickForest, OfNodesKeepsOnlyTouchedTreesInStandardOrder) {
  auto forest = AutoPickForest::ofNodes({chosen("link_matched_regex", "github"), chosen("screenshot")});
  EXPECT_EQ(rootIds(*forest), (std::vector<std::string>{"image", "link"}));
  EXPECT_EQ(identifiers(forest->activeNodes()),
            (std::vector<std::string>{"image", "screenshot", "link", "link_matched_regex"}));
  EXPECT_EQ(forest->activeNodes()[3]->value(), "github");
  // The shared trees were not touched by building a user forest.
  EXPECT_TRUE(AutoPickForest::standardForest()->activeNodes().empty());
  EXPECT_FALSE(AutoPickFactory::linkTree()->root()->children()[0]->value());

  EXPECT_TRUE(AutoPickForest::ofNodes({})->trees().empty());
  EXPECT_FALSE(AutoPickForest::ofNodes({})->canPick("x", kText, inApp("Mail")));
  EXPECT_TRUE(AutoPickForest::ofNodes({chosen("video"), nullptr})->trees().empty());

  // The order of the chosen nodes never changes the forest.
  auto a = AutoPickForest::ofNodes({chosen("link"), chosen("image"), chosen("application", "X")});
  auto b = AutoPickForest::ofNodes({chosen("application", "X"), chosen("image"), chosen("link")});
  EXPECT_EQ(a->encodeWithCoder(), b->encodeWithCoder());
}

TEST(AutoPickForest, EvaluatesRealRecordsThroughTheRule) {
  // [image, application]: an image copied in the chosen application only.
  auto imageInApp = AutoPickForest::ofNodes({chosen("application", "Preview,Shot"), chosen("image")});
  EXPECT_TRUE(imageInApp->canPick("", kImage, inApp("Shot")));
  EXPECT_FALSE(imageInApp->canPick("", kImage, inApp("Mail")));
  EXPECT_FALSE(imageInApp->canPick("hello", kText, inApp("Preview")));

  // [image, application, text, link] reads (image AND application AND text) OR link; a record is never
  // both image and text, so only links get through.
  auto all = AutoPickForest::ofNodes(
      {chosen("image"), chosen("application", "Mail"), chosen("text"), chosen("link")});
  EXPECT_TRUE(all->canPick("https://example.com", kText, inApp("Other")));
  EXPECT_FALSE(all->canPick("", kImage, inApp("Mail")));
  EXPECT_FALSE(all->canPick("plain", kText, inApp("Mail")));

  // The capture road hands over whole records.
  auto link = Vellisto_Chunk::initWithContext("https://example.com/x", std::nullopt, std::nullopt);
  auto file = Vellisto_Chunk::initWithContext("https://example.com/x", std::nullopt, Json{{"file", "/x"}});
  EXPECT_TRUE(all->canPick(*link, inApp("A")));
  EXPECT_FALSE(all->canPick(*file, inApp("A")));
}

TEST(AutoPickTree, ChildrenNarrowAnActiveParent) {
  auto withChild = AutoPickForest::ofNodes({chosen("screenshot")});
  EXPECT_TRUE(withChild->canPick("", kScreenshot, inApp("A")));
  EXPECT_FALSE(withChild->canPick("", kImage, inApp("A")));

  auto parentOnly = AutoPickForest::ofNodes({chosen("image")});
  EXPECT_TRUE(parentOnly->canPick("", kImage, inApp("A")));
  EXPECT_TRUE(parentOnly->canPick("", kScreenshot, inApp("A")));

  auto digits = AutoPickForest::ofNodes({chosen("text_matched_regex", "^[0-9]+$")});
  EXPECT_TRUE(digits->canPick("12345", kText, inApp("A")));
  EXPECT_FALSE(digits->canPick("12a", kText, inApp("A")));
  // The parent's own test comes first: a file whose name is digits is not text.
  EXPECT_FALSE(digits->canPick("12345", Json{{"file", "/12345"}}, inApp("A")));

  // An inactive root refuses whatever its children say.
  auto tree = AutoPickFactory::imageTree()->copy();
  tree->root()->children()[0]->setActive(true);
  EXPECT_FALSE(tree->canPick("", kScreenshot, inApp("A")));
  EXPECT_TRUE(tree->activeNodes().empty());
}

TEST(AutoPickTree, NodeWithoutPredicatePassesOnlyThroughActiveChildren) {
  auto root = chosen("group");
  root->setActive(true);
  auto child = chosen("text");
  root->addChild(child);
  AutoPickTree tree(root, 1);
  EXPECT_FALSE(tree.canPick("hello", kText, inApp("A")));  // no active child
  child->setActive(true);
  EXPECT_TRUE(tree.canPick("hello", kText, inApp("A")));
  EXPECT_FALSE(tree.canPick("", kImage, inApp("A")));
}

TEST(AutoPickForest, ActiveByForestMarksWhatTheTabUses) {
  auto user = AutoPickForest::ofNodes({chosen("text_matched_regex", "^x"), chosen("application", "Mail")});
  auto picker = AutoPickForest::standardForest()->copy();
  picker->activeByForest(*user);
  auto nodes = picker->nodes();
  ASSERT_EQ(nodes.size(), 7u);
  std::vector<bool> active;
  for (const auto& n : nodes) active.push_back(n->active());
  EXPECT_EQ(active, (std::vector<bool>{false, false, true, true, true, false, false}));
  EXPECT_EQ(nodes[2]->value(), "Mail");
  EXPECT_EQ(nodes[4]->value(), "^x");
  EXPECT_TRUE(AutoPickForest::standardForest()->activeNodes().empty());
}

}  // namespace
}  // namespace vl
