#pragma once

#include <memory>
#include <string>
#include <vector>

#include "VLEngine/StoreTestSupport.h"
#include "autopick/AutoPickForest.h"
#include "autopick/AutoPickNode.h"
#include "pins/PinTabDelegate.h"

namespace vl::test {

// A tab view that writes down what its tab told it.
class RecordingTabView : public PinTabDelegate {
 public:
  bool didActive() override {
    calls.push_back("active");
    return true;
  }
  bool didInactive() override {
    calls.push_back("inactive");
    return true;
  }
  void moveForward() override { calls.push_back("forward"); }
  void moveBackward() override { calls.push_back("backward"); }
  void remove() override { calls.push_back("remove"); }
  void setName(const std::string& name) override { calls.push_back("name " + name); }
  void setBgColor(const std::string& color) override { calls.push_back("bg " + color); }

  int count(const std::string& call) const {
    int n = 0;
    for (const auto& c : calls) n += c == call;
    return n;
  }

  std::vector<std::string> calls;
};

// Rules that take text records matching the expression.
inline std::shared_ptr<AutoPickForest> textRule(const std::string& regex) {
  auto node = std::make_shared<AutoPickNode>();
  node->setIdentifier("text_matched_regex");
  node->setValue(regex);
  return AutoPickForest::ofNodes({node});
}

class PinFixture : public StoreFixture {
 protected:
  // Pin tabs named "T1".."Tn" at positions 1..n, each with a view.
  void addTabs(int n) {
    for (int i = 1; i <= n; ++i) {
      auto tab = pins().addPinTab("T" + std::to_string(i), "", "FF8800");
      ASSERT_NE(tab, nullptr);
      auto view = std::make_shared<RecordingTabView>();
      tab->setPtDelegate(view);
      views.push_back(view);
    }
  }

  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& tab : pins().tabList()) out.push_back(tab->isClipboard() ? "clip" : tab->name());
    return out;
  }

  // The tab folders on disk, in name order, reduced to "name position".
  std::vector<std::string> foldersOnDisk() const {
    Vellisto_BigDoc::waitForPendingWrites();
    std::vector<std::string> out;
    for (const auto& name : files::listDirectory(pinPath()).names) {
      auto fields = PinTab::parseFolderName(name);
      out.push_back(fields ? fields->name + " " + std::to_string(fields->position) : name);
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  std::string activeName() const {
    auto tab = pins().activedTab();
    return tab->isClipboard() ? "clip" : tab->name();
  }

  std::vector<std::shared_ptr<RecordingTabView>> views;
};

}  // namespace vl::test
