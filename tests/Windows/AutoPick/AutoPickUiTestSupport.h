#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "Windows/AutoPick/AutoPickSlides.h"
#include "Windows/AutoPick/AutoPickTagsEditor.h"
#include "Windows/AutoPick/SelectAutoPickTagsController.h"
#include "autopick/AutoPickForest.h"
#include "autopick/AutoPickNode.h"
#include "core/VLConstants.h"
#include "pins/PinManager.h"
#include "ui/SheetTestSupport.h"

namespace vl::test {

// The sheet fixture with a record store and pin tabs in its private HOME, one pin tab "Work", the two
// rule slides registered, and a tag editor for "Work" on a 600 x 400 page of the window.
class AutoPickUiTest : public SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    VLEngine::shared().setTabDirectory(PinManager::tabDirectory());
    VLEngine::resetForTesting();
    VLEngine::shared().setFolders(home_.path());
    VLEngine::shared().load();
    PinManager::shared().load();
    PinManager::shared().activeTabOfId(kClipboardPinTabId);
    tab_ = PinManager::shared().addPinTab("Work", "", "4A90E2");
    ASSERT_NE(tab_, nullptr);
    registerAutoPickSlides();
    editor_ = AutoPickTagsEditor::create({0, 300, 600, AutoPickTagsEditor::kHeight});
    mainView_->addSubview(editor_);
    editor_->setPinTabId(tab_->pinTabId());
    editor_->loadTags();
  }
  void TearDown() override {
    editor_->removeFromSuperview();
    editor_.reset();
    tab_.reset();
    SlideCenter::shared().resetForTesting();
    PinManager::shared().resetForTesting();
    VLEngine::resetForTesting();
    VLEngine::shared().setTabDirectory(nullptr);
    SheetTest::TearDown();
  }

  // A node of a fresh built-in forest, as the picker hands them out.
  std::shared_ptr<AutoPickNode> freshNode(const std::string& identifier) {
    forests_.push_back(AutoPickForest::standardForest()->copy());
    for (const auto& node : forests_.back()->nodes()) {
      if (node->identifier() == identifier) return node;
    }
    ADD_FAILURE() << identifier;
    return nullptr;
  }
  std::vector<std::string> tagIds() const {
    std::vector<std::string> ids;
    for (const auto& tag : editor_->tags()) ids.push_back(tag->node()->identifier());
    return ids;
  }
  // What the tab has stored: active rules in forest order, "identifier=value" for valued ones.
  std::vector<std::string> stored() const {
    std::vector<std::string> out;
    auto forest = PinManager::shared().getTabOfId(tab_->pinTabId())->autoPickForest();
    if (!forest) return out;
    for (const auto& node : forest->activeNodes()) {
      out.push_back(node->identifier() + (node->value() ? "=" + *node->value() : ""));
    }
    return out;
  }
  std::shared_ptr<AutoPickSlide> picker() {
    return std::static_pointer_cast<AutoPickSlide>(SlideCenter::shared().slideForKey(kSlideAutoPick));
  }
  std::shared_ptr<AutoPickDetailSlide> detail() {
    return std::static_pointer_cast<AutoPickDetailSlide>(
        SlideCenter::shared().slideForKey(kSlideAutoPickDetail));
  }
  void clickAndSettle(ui::View& view) {
    clickView(view);
    advance(400);
  }

  std::shared_ptr<PinTab> tab_;
  std::shared_ptr<AutoPickTagsEditor> editor_;
  // Nodes know their parents only weakly: the forests they came from stay alive here.
  std::vector<std::shared_ptr<AutoPickForest>> forests_;
};

}  // namespace vl::test
