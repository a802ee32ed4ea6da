#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/paste/PasteService.h"
#include "platform/foundation/Date.h"
#include "platform/system/FileRevealer.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/system/Pasteboard.h"
#include "platform/system/SystemDictionary.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/system/headless/HeadlessKeyEventPoster.h"
#include "platform/system/headless/HeadlessSystemDictionary.h"
#include "platform/system/headless/HeadlessWorkspace.h"
#include "platform/ui/view/Event.h"
#include "shortcuts/VLShortcutCenter.h"
#include "think/Think.h"
#include "ui/WidgetTestSupport.h"

namespace vl::test {

// Themes, settings in a private home, and fresh headless system services: a pasteboard, a workspace
// with an editor in front (the window a paste goes back to), a key poster that records, an empty
// dictionary, and a pinned time zone.
class ThinkTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    Pasteboard::install(nullptr);
    workspace_ = std::make_shared<HeadlessWorkspace>();
    workspace_->setFrontmostApplication(RunningApplication::fromDesktopEntry("/apps/editor.desktop"));
    Workspace::install(workspace_);
    keys_ = std::make_shared<HeadlessKeyEventPoster>();
    KeyEventPoster::install(keys_);
    dictionary_ = std::make_shared<HeadlessSystemDictionary>();
    SystemDictionary::install(dictionary_);
    FileRevealer::install(nullptr);
    PasteService::setHooks({});
    VLShortcutCenter::resetForTesting();
    date::setDefaultTimeZone("Asia/Shanghai");
  }
  void TearDown() override {
    date::setDefaultTimeZone("");
    WindowCenter::shared().resetForTesting();
    SystemDictionary::install(nullptr);
    KeyEventPoster::install(nullptr);
    Workspace::install(nullptr);
    Pasteboard::install(nullptr);
    VLShortcutCenter::resetForTesting();
    WidgetTest::TearDown();
  }

  static std::vector<std::string> namesOf(const std::vector<Action*>& actions) {
    std::vector<std::string> names;
    for (Action* a : actions) names.emplace_back(a->name());
    return names;
  }
  static std::string clipboard() {
    return Pasteboard::general()->stringForType(kPasteboardTypeString).value_or("<none>");
  }
  // The paste chord went out: Ctrl+V down and up, nothing else (no Return).
  bool pasted() const {
    using Key = HeadlessKeyEventPoster::PostedKey;
    const std::vector<Key> chord = {{ui::KeyCode::V, ui::ModifierFlags::Command, true},
                                    {ui::KeyCode::V, ui::ModifierFlags::Command, false}};
    return keys_->postedKeys() == chord;
  }

  std::shared_ptr<HeadlessWorkspace> workspace_;
  std::shared_ptr<HeadlessKeyEventPoster> keys_;
  std::shared_ptr<HeadlessSystemDictionary> dictionary_;
};

}  // namespace vl::test
