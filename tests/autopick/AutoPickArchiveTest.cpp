#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "autopick/AutoPickArchive.h"
#include "autopick/AutoPickForest.h"
#include "autopick/AutoPickNode.h"
#include "autopick/AutoPickTree.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

std::shared_ptr<AutoPickNode> chosen(const char* identifier,
                                     std::optional<std::string> value = std::nullopt) {
  auto node = std::make_shared<AutoPickNode>();
  node->setIdentifier(identifier);
  node->setValue(std::move(value));
  return node;
}

std::vector<std::string> capturedLines() { return vl::test::LogCapture::take(); }

class AutoPickArchiveTest : public ::testing::Test {
 protected:
  std::string defaultsFile() const { return dir_ / "vellisto.json"; }

  vl::test::TempDir dir_{"vl-autopick"};
  vl::test::LogCapture log_;
};

// Every node in pre-order as one comparable line.
std::vector<std::string> shape(const AutoPickForest& forest) {
  std::vector<std::string> lines;
  for (const auto& tree : forest.trees()) {
    lines.push_back("tree relational=" + std::to_string(tree->relational()));
    for (const auto& n : tree->nodes()) {
      auto parent = n->parent();
      lines.push_back(n->identifier() + " active=" + std::to_string(n->active()) +
                      " value=" + n->value().value_or("<nil>") + " view=" + n->viewName().value_or("<nil>") +
                      " name=" + n->name() + " desc=" + n->desc() + " color=" + n->color().hex() +
                      " parent=" + (parent ? parent->identifier() : "<root>"));
    }
  }
  return lines;
}

std::shared_ptr<AutoPickForest> sampleForest() {
  auto forest = AutoPickForest::ofNodes({chosen("screenshot"), chosen("application", "Mail,Shot"),
                                         chosen("text_matched_regex", "^\\d{3}-\\d{4}$"), chosen("link")});
  // Relationals are kept as written, whatever their value.
  forest->trees()[2]->setRelational(5);
  return forest;
}

// Through the tab's key and a reread of the file: every field, order, parent and relational comes back,
// and the decoded nodes pick exactly as the originals.
TEST_F(AutoPickArchiveTest, RoundTripThroughTheTabKeyOnDisk) {
  const std::string tab = "6F1C2A9E-0000-4000-8000-000000000001";
  auto forest = sampleForest();
  {
    UserDefaults defaults("vellisto", defaultsFile());
    ASSERT_TRUE(AutoPickArchive::store(*forest, tab, defaults));
    EXPECT_TRUE(defaults.object("auto_pick_" + tab));
  }
  UserDefaults reread("vellisto", defaultsFile());
  auto back = AutoPickArchive::load(tab, reread);
  ASSERT_TRUE(back);
  EXPECT_EQ(shape(*back), shape(*forest));
  for (const auto& [text, json, app] : std::vector<std::tuple<std::string, Json, std::string>>{
           {"555-1234", Json::object(), "Mail"},
           {"https://example.com", Json::object(), "Other"},
           {"", Json{{"image", "a"}, {"screenshot", "1"}}, "Shot"},
           {"", Json{{"image", "a"}}, "Shot"}}) {
    Json extra{{"app_name", app}};
    EXPECT_EQ(back->canPick(text, json, extra), forest->canPick(text, json, extra)) << text << json;
  }

  EXPECT_EQ(AutoPickArchive::load("another-tab", reread), nullptr);
  EXPECT_TRUE(capturedLines().empty()) << "a tab without rules is normal, not worth a log line";

  // A forest of no trees is a valid archive: the tab exists with rules that accept nothing.
  EXPECT_TRUE(AutoPickArchive::store(AutoPickForest(), tab, reread));
  auto empty = AutoPickArchive::load(tab, reread);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->trees().empty());
}

// Each case damages one thing of a good archive.
struct Damage {
  const char* what;
  std::function<void(Json&)> apply;
};

TEST_F(AutoPickArchiveTest, DamagedArchivesGiveNoForestWithALogLine) {
  Json& (*root)(Json&, int) = [](Json& a, int tree) -> Json& { return a["trees"][tree]["root"]; };
  std::vector<Damage> damages = {
      {"not an object", [](Json& a) { a = Json::array(); }},
      {"not an archive", [](Json& a) { a = "not an archive"; }},
      {"trees missing", [](Json& a) { a.erase("trees"); }},
      {"trees not a list", [](Json& a) { a["trees"] = Json::object(); }},
      {"relational missing", [](Json& a) { a["trees"][0].erase("relational"); }},
      {"relational text", [](Json& a) { a["trees"][0]["relational"] = "1"; }},
      {"relational fraction", [](Json& a) { a["trees"][0]["relational"] = 1.5; }},
      {"root missing", [](Json& a) { a["trees"][0].erase("root"); }},
      {"root null", [root](Json& a) { root(a, 0) = nullptr; }},
      {"unknown root identifier", [root](Json& a) { root(a, 1)["identifier"] = "video"; }},
      {"unknown child identifier", [root](Json& a) { root(a, 0)["children"][0]["identifier"] = "gif"; }},
      {"active as number", [root](Json& a) { root(a, 0)["active"] = 1; }},
      {"identifier as number", [root](Json& a) { root(a, 0)["identifier"] = 3; }},
      {"name as null", [root](Json& a) { root(a, 0)["name"] = nullptr; }},
      {"colour not hex", [root](Json& a) { root(a, 0)["color"] = "red"; }},
      {"value as number", [root](Json& a) { root(a, 1)["value"] = 42; }},
      {"parent as number", [root](Json& a) { root(a, 0)["children"][0]["parent"] = 0; }},
      {"children as object", [root](Json& a) { root(a, 0)["children"] = Json::object(); }},
      {"nested without end",
       [root](Json& a) {
         Json node = root(a, 0);
         for (int i = 0; i < 50; ++i) {
           Json outer = root(a, 0);
           outer["children"] = Json::array({node});
           node = outer;
         }
         root(a, 0) = node;
       }},
  };
  for (const char* key :
       {"active", "identifier", "name", "desc", "color", "value", "viewName", "parent", "children"}) {
    damages.push_back({key, [root, key](Json& a) { root(a, 0)["children"][0].erase(key); }});
  }

  const Json good = sampleForest()->encodeWithCoder();
  ASSERT_TRUE(AutoPickForest::initWithCoder(good));
  UserDefaults defaults("vellisto", defaultsFile());
  for (const auto& damage : damages) {
    Json archive = good;
    damage.apply(archive);
    vl::test::LogCapture::clear();
    EXPECT_EQ(AutoPickForest::initWithCoder(archive), nullptr) << damage.what;
    EXPECT_FALSE(capturedLines().empty()) << damage.what;

    // Loading neither gives a forest nor throws the stored value away.
    defaults.setObject("auto_pick_bad", archive);
    EXPECT_EQ(AutoPickArchive::load("bad", defaults), nullptr) << damage.what;
    EXPECT_EQ(defaults.object("auto_pick_bad"), archive) << damage.what;
  }
}

}  // namespace
}  // namespace vl
