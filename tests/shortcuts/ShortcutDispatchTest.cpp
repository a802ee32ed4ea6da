#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/VLConfig.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/window/Application.h"
#include "shortcuts/KeyboardListener.h"
#include "shortcuts/ShortcutHelper.h"
#include "shortcuts/VLShortcutCenter.h"
#include "shortcuts/VLShortcutsButton.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

using Order = LocalShortcutsManager::Order;

// Every offer, in order, as "receiver:name" with a "+" when the receiver took it.
using Offers = std::vector<std::string>;

class FakeReceiver : public ShortcutReceiver {
 public:
  FakeReceiver(std::string label, std::set<std::string> takes, Offers& offers)
      : label_(std::move(label)), takes_(std::move(takes)), offers_(offers) {}
  bool resolvedShortcutKey(const std::string& name) override {
    const bool taken = takes_.contains(name);
    offers_.push_back(label_ + ":" + name + (taken ? "+" : ""));
    return taken;
  }

 private:
  std::string label_;
  std::set<std::string> takes_;
  Offers& offers_;
};

class ShortcutDispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.emplace("vl-dispatch");
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    VLShortcutCenter::resetForTesting();
    VLShortcutCenter::defaultCenter();
    // Registered out of their order on purpose: the order of trying is fixed by kind.
    add("thinking", Order::ThinkingBar, {"thinkingBarSelect1", "thinkingBarSelect9"});
    add("toolbar", Order::Toolbar, {"historyDel"});
    add("search", Order::SearchField,
        {"pinTabSwitch", "historySearch", "previewAcitve", "pinRecord", "fullMode"});
    add("list", Order::ResultList, {"historyUp", "historyDown", "multiHistoryUp", "multiHistoryDown"});
    add("esc", Order::EscStack, {"esc"});
  }
  void TearDown() override {
    LocalShortcutsManager::shared().removeAllReceiversForTesting();
    VLShortcutCenter::resetForTesting();
    VLConfig::resetForTesting();
    UserDefaults::resetForTesting();
    home_.reset();
  }
  std::shared_ptr<FakeReceiver> add(const std::string& label, Order order, std::set<std::string> takes) {
    auto r = std::make_shared<FakeReceiver>(label, std::move(takes), offers_);
    LocalShortcutsManager::shared().registerReceiver(r, order);
    receivers_.push_back(r);
    return r;
  }
  // The offers that ended in a take.
  Offers taken() const {
    Offers t;
    for (const auto& o : offers_) {
      if (o.back() == '+') t.push_back(o);
    }
    return t;
  }

  Offers offers_;
  std::vector<std::shared_ptr<FakeReceiver>> receivers_;

 private:
  std::optional<vl::test::PrivateHome> home_;
};

TEST_F(ShortcutDispatchTest, EachPressReachesTheReceiverOfItsNameAndNoOther) {
  struct Case {
    const char* what;
    std::int64_t flags, code;
    const char* taker;  // "" when nobody takes it
  };
  const Case cases[] = {
      {"Up", 0xa00000, 126, "list:historyUp+"},
      {"Down", 0xa00000, 125, "list:historyDown+"},
      {"Shift+Up", 0xa20000, 126, "list:multiHistoryUp+"},
      {"Up with Caps Lock on", 0xa10000, 126, "list:historyUp+"},
      {"Escape", 0, 53, "esc:esc+"},
      {"Tab", 0, 48, "search:pinTabSwitch+"},
      {"Ctrl+1", 0x100000, 18, "thinking:thinkingBarSelect1+"},
      {"Ctrl+9", 0x100000, 25, "thinking:thinkingBarSelect9+"},
      {"Alt+Delete", 0x880000, 117, "toolbar:historyDel+"},
      {"Ctrl+Backspace is left to the text field", 0x100000, 51, ""},
      {"Home: a fixed name nobody takes", 0x800000, 115, ""},
      {"Ctrl+Return", 0x100000, 36, "search:historySearch+"},
      {"Shift+Return", 0x20000, 36, "search:previewAcitve+"},
      {"Ctrl+P", 0x100000, 35, "search:pinRecord+"},
      {"Return: enter, then historySelect, which nobody takes", 0, 36, ""},
      {"Ctrl+A: a fixed name nobody takes", 0x100000, 0, ""},
      {"Ctrl+J matches nothing", 0x100000, 38, ""},
      {"Ctrl with the keypad's 1 is not Ctrl+1", 0x300000, 83, ""},
      {"unknown key code", 0x100000, 200, ""},
      {"unknown key code 0xffff", 0, 0xffff, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    offers_.clear();
    const bool took = ShortcutHelper::dispatchWithModifierFlags(c.flags, c.code);
    EXPECT_EQ(took, *c.taker != '\0');
    EXPECT_EQ(taken(), *c.taker ? Offers{c.taker} : Offers{});
    // Nobody after the taker hears of the press.
    if (took) {
      EXPECT_EQ(offers_.back(), c.taker);
    }
  }

  // Return is offered under its fixed name first, then under its named shortcut, to everybody in order.
  offers_.clear();
  ShortcutHelper::dispatchWithModifierFlags(0, 36);
  EXPECT_EQ(offers_, (Offers{"esc:enter", "list:enter", "search:enter", "toolbar:enter", "thinking:enter",
                             "esc:historySelect", "list:historySelect", "search:historySelect",
                             "toolbar:historySelect", "thinking:historySelect"}));
  // An unknown key is offered to nobody.
  offers_.clear();
  ShortcutHelper::dispatchWithModifierFlags(0x100000, 200);
  EXPECT_TRUE(offers_.empty());
}

TEST_F(ShortcutDispatchTest, ConflictingPressesActOnNothing) {
  VLShortcutCenter& center = VLShortcutCenter::defaultCenter();
  center.getShortcutForKey("historyUp")->setShortcutValue(VLShortcutValue::ofModifierFlags(0x100000, 18));
  center.updateAllConflicts();
  EXPECT_FALSE(ShortcutHelper::dispatchWithModifierFlags(0x100000, 18));
  EXPECT_FALSE(ShortcutHelper::dispatchWithModifierFlags(0xa00000, 126));
  EXPECT_TRUE(offers_.empty());

  // Written by another program after the flags were computed: two names on one press still act on
  // nothing.
  center.restore();
  Json stored = *VLConfig::shared().getValueOfKey(VLConfig::kUserShortcuts);
  stored["historyDown"] = VLConfig::shortcutDictionayWithModifierFlags(0x880000, 117);
  VLConfig::shared().setValueOfKey(VLConfig::kUserShortcuts, stored);
  EXPECT_FALSE(ShortcutHelper::dispatchWithModifierFlags(0x880000, 117));
  // A changed press counts from the next key on, with no restart.
  stored["historyDown"] = VLConfig::shortcutDictionayWithModifierFlags(0x100000, 38);
  VLConfig::shared().setValueOfKey(VLConfig::kUserShortcuts, stored);
  EXPECT_TRUE(ShortcutHelper::dispatchWithModifierFlags(0x100000, 38));
  EXPECT_EQ(taken(), (Offers{"list:historyDown+"}));
}

TEST_F(ShortcutDispatchTest, ReceiversGoInOrderOfKindAndLeaveWhenToldOrGone) {
  // The move dialog, made last, still confirms Return before the search field hears of it.
  auto dialog = add("dialog", Order::MoveToPinDialog, {"enter"});
  EXPECT_TRUE(ShortcutHelper::dispatchWithModifierFlags(0, 36));
  EXPECT_EQ(offers_, (Offers{"esc:enter", "dialog:enter+"}));

  LocalShortcutsManager::shared().unregisterReceiver(dialog.get());
  LocalShortcutsManager::shared().registerReceiver(receivers_[0], Order::EscStack);  // twice: kept once
  const std::size_t before = LocalShortcutsManager::shared().receiverCount();
  receivers_.erase(receivers_.begin() + 3);  // the list goes away
  EXPECT_EQ(LocalShortcutsManager::shared().receiverCount(), before - 1);
  offers_.clear();
  EXPECT_FALSE(ShortcutHelper::dispatchWithModifierFlags(0xa00000, 126));
  EXPECT_EQ(offers_,
            (Offers{"esc:historyUp", "search:historyUp", "toolbar:historyUp", "thinking:historyUp"}));
}

TEST_F(ShortcutDispatchTest, ListenerDispatchesKeyDownsAndModifierChangesAndPassesEveryEventOn) {
  ui::Application app;
  KeyboardListener listener(app);
  std::vector<ui::EventType> passedOn;
  auto after = app.addLocalMonitorForEvents(ui::EventMasks::Any, [&](const ui::Event& e) {
    passedOn.push_back(e.type());
    return std::optional<ui::Event>();
  });
  // The left Shift alone previews the file, whatever low bits the keyboard sets.
  add("preview", Order::SearchField, {"historyFilePreview"});
  auto key = [&](ui::EventType type, std::uint16_t code, std::uint64_t flags) {
    app.sendEvent(ui::Event::keyEvent(type, code, flags, "", ""));
  };
  key(ui::EventType::KeyDown, 126, 0xa00000);
  key(ui::EventType::KeyUp, 126, 0xa00000);
  key(ui::EventType::FlagsChanged, 56, 0x20002);
  EXPECT_EQ(taken(), (Offers{"list:historyUp+", "preview:historyFilePreview+"}));
  EXPECT_EQ(passedOn,
            (std::vector{ui::EventType::KeyDown, ui::EventType::KeyUp, ui::EventType::FlagsChanged}));

  // While a recorder takes the keys, nothing acts on the window.
  offers_.clear();
  {
    auto recording = listener.suspendDispatch();
    key(ui::EventType::KeyDown, 53, 0);
    EXPECT_TRUE(offers_.empty());
  }
  key(ui::EventType::KeyDown, 53, 0);
  EXPECT_EQ(taken(), (Offers{"esc:esc+"}));
  app.removeMonitor(after);
}

TEST_F(ShortcutDispatchTest, ShortcutsButtonShowsItsPress) {
  auto button = VLShortcutsButton::create();
  button->setShortcutValue(VLShortcutValue::ofModifierFlags(0x180000, 9));
  EXPECT_EQ(button->title(), "Ctrl+Alt+V");
  button->setShortcutValue(VLShortcutValue::empty());
  EXPECT_EQ(button->title(), "");
  EXPECT_EQ(VLShortcutsButton::convertModifierToKey(0x1c0000), 0x1900);
  EXPECT_EQ(VLShortcutsButton::keyCodeString(117), "Delete");
  EXPECT_EQ(VLShortcutsButton::modifierFlagsString(0x60000), "Shift+Super");
}

}  // namespace
}  // namespace vl
