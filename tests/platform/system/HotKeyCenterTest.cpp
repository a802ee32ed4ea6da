#include <gtest/gtest.h>

#include "platform/dispatch/Dispatch.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/system/headless/HeadlessHotKeyCenter.h"
#include "platform/ui/view/Event.h"

namespace vl {
namespace {

namespace Flags = ui::ModifierFlags;
using dispatch::MainLoop;

class HotKeyCenterTest : public ::testing::Test {
 protected:
  void SetUp() override { MainLoop::adoptCurrentThread(); }
  HeadlessHotKeyCenter center_;
  std::vector<HotKeyPress> presses_;
  HotKeyCenter::Handler record() {
    return [this](const HotKeyPress& p) { presses_.push_back(p); };
  }
};

TEST_F(HotKeyCenterTest, PressesArriveOnTheMainQueueWhateverTheLockKeys) {
  ASSERT_TRUE(center_.registerHotKey(1, ui::KeyCode::C, Flags::Command | Flags::Shift, record()));
  center_.simulatePress(ui::KeyCode::C, Flags::Command | Flags::Shift | Flags::CapsLock);
  EXPECT_TRUE(presses_.empty());  // not before the main loop runs
  MainLoop::runUntilIdle();
  EXPECT_EQ(presses_, (std::vector<HotKeyPress>{{1, ui::KeyCode::C, Flags::Command | Flags::Shift}}));
  center_.simulatePress(ui::KeyCode::C, Flags::Command);
  MainLoop::runUntilIdle();
  EXPECT_EQ(presses_.size(), 1u);
}

TEST_F(HotKeyCenterTest, ANewCombinationReplacesTheOldOnlyOnceItIsHeld) {
  ASSERT_TRUE(center_.registerHotKey(1, ui::KeyCode::C, Flags::Command, record()));
  center_.setHeldByOtherApplication(ui::KeyCode::R, Flags::Command);
  EXPECT_FALSE(center_.registerHotKey(1, ui::KeyCode::R, Flags::Command, record()));
  EXPECT_EQ(center_.registeredCombination(1), std::make_pair(ui::KeyCode::C, Flags::Command));
  EXPECT_EQ(center_.grabbedCombinations().size(), 1u);

  ASSERT_TRUE(center_.registerHotKey(1, ui::KeyCode::V, Flags::Option, record()));
  EXPECT_EQ(center_.grabbedCombinations(),
            (std::set<std::pair<std::uint16_t, std::uint64_t>>{{ui::KeyCode::V, Flags::Option}}));
  // One combination, one id.
  EXPECT_FALSE(center_.registerHotKey(2, ui::KeyCode::V, Flags::Option, record()));
  center_.unregisterHotKey(1);
  EXPECT_TRUE(center_.grabbedCombinations().empty());
  EXPECT_EQ(center_.registeredCombination(1), std::nullopt);
}

TEST(HotKeyCenterConversionTest, OldModifierMasksBecomeModifierFlags) {
  EXPECT_EQ(HotKeyCenter::flagsFromCarbonModifiers(0x100 | 0x200), Flags::Command | Flags::Shift);
  EXPECT_EQ(HotKeyCenter::flagsFromCarbonModifiers(0x800 | 0x1000), Flags::Option | Flags::Control);
  EXPECT_EQ(HotKeyCenter::flagsFromCarbonModifiers(0), 0u);
}

TEST(GlobalEventMonitorTest, MonitorsGetTheEventsOfTheirMaskUntilRemoved) {
  MainLoop::adoptCurrentThread();
  HeadlessGlobalEventMonitor monitor;
  std::vector<ui::EventType> keys, all;
  auto keyMonitor = monitor.addGlobalMonitorForEvents(ui::EventMasks::KeyDown | ui::EventMasks::FlagsChanged,
                                                      [&](const ui::Event& e) { keys.push_back(e.type()); });
  auto anyMonitor = monitor.addGlobalMonitorForEvents(ui::EventMasks::Any,
                                                      [&](const ui::Event& e) { all.push_back(e.type()); });
  monitor.simulate(ui::Event::keyEvent(ui::EventType::KeyDown, ui::KeyCode::V, Flags::Command, "v", "v"));
  MainLoop::runUntilIdle();
  monitor.simulate(ui::Event::mouseEvent(ui::EventType::LeftMouseDown, {1, 2}, 0));
  // Removed after the event was sent but before the main loop ran: it still hears nothing.
  monitor.simulate(ui::Event::keyEvent(ui::EventType::FlagsChanged, ui::KeyCode::Command, 0, "", ""));
  monitor.removeMonitor(keyMonitor);
  MainLoop::runUntilIdle();
  EXPECT_EQ(keys, std::vector<ui::EventType>{ui::EventType::KeyDown});
  EXPECT_EQ(all, (std::vector<ui::EventType>{ui::EventType::KeyDown, ui::EventType::LeftMouseDown,
                                             ui::EventType::FlagsChanged}));
}

}  // namespace
}  // namespace vl
