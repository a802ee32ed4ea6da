#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/controls/Beep.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"
#include "shortcuts/KeyboardListener.h"
#include "statusbar/HotkeyTextField.h"
#include "support/Gallery.h"
#include "theme/ClassicThemeFixture.h"

namespace vl {
namespace {

namespace Flags = ui::ModifierFlags;

class Row : public HotkeyTextFieldDelegate {
 public:
  HokeyStruct initInputContext() override { return {0x180000, 9, 1, false}; }
  std::string activeSymbolAssetKey() override { return "fontNormalColor"; }
  std::string inactiveSymbolAssetKey() override { return "hotkeyTextFieldInactiveColor"; }
  const void* notificationObject() override { return pane; }
  bool didEndKeyDown(const HokeyStruct& value) override {
    values.push_back(value);
    return true;
  }
  const void* pane = nullptr;
  std::vector<HokeyStruct> values;
};

class HotkeyTextFieldTest : public test::ClassicThemeFixture {
 protected:
  void SetUp() override {
    ClassicThemeFixture::SetUp();
    ui::resetBeepCount();
    window_ = ui::Window::create({100, 100, 280, 140}, ui::WindowStyle::Titled);
    row_ = std::make_shared<Row>();
    field_ = HotkeyTextField::initWithFrame({10, 10, 260, 35}, row_);
    window_->contentView()->addSubview(field_);
  }
  void TearDown() override {
    ui::Application::shared().removeMonitor(watcher_);
    field_.reset();
    window_.reset();
    KeyboardListener::resetForTesting();
    dispatch::MainLoop::runUntilIdle();
    ClassicThemeFixture::TearDown();
  }
  // Through the application, as the desktop delivers it; true when the window would still get it.
  // Needs watch() after the recorder started, so the watcher comes after the recorder's monitor.
  bool send(ui::EventType type, std::uint16_t code, std::uint64_t flags) {
    const int before = passed_;
    ui::Application::shared().sendEvent(ui::Event::keyEvent(type, code, flags, "", ""));
    return passed_ > before;
  }
  void watch() {
    watcher_ =
        ui::Application::shared().addLocalMonitorForEvents(ui::EventMasks::Any, [this](const ui::Event& e) {
          ++passed_;
          return std::optional<ui::Event>(e);
        });
  }
  std::vector<std::string> lit() {
    std::vector<std::string> out;
    for (const auto& s : field_->symbolDisplays()) {
      if (s->holdTextColorAssetKey() == std::string("fontNormalColor")) out.push_back(s->title());
    }
    return out;
  }

  std::shared_ptr<ui::Window> window_;
  std::shared_ptr<Row> row_;
  std::shared_ptr<HotkeyTextField> field_;
  std::shared_ptr<ui::EventMonitor> watcher_;
  int passed_ = 0;
};

TEST_F(HotkeyTextFieldTest, PressesWhileRecording) {
  EXPECT_EQ(lit(), (std::vector<std::string>{"Ctrl", "Alt"}));
  EXPECT_EQ(field_->alphabetDisplay()->title(), "V");
  field_->click();
  watch();
  EXPECT_TRUE(KeyboardListener::shared().isSuspended());

  constexpr auto down = ui::EventType::KeyDown;
  constexpr auto mods = ui::EventType::FlagsChanged;
  struct Press {
    const char* what;
    ui::EventType type;
    std::uint16_t code;
    std::uint64_t flags;
    double afterMs;
    std::optional<HokeyStruct> recorded;
    std::size_t beeps;
  };
  const Press presses[] = {
      {"C alone", down, 8, 0, 0, std::nullopt, 1},
      {"Up alone", down, 126, Flags::NumericPad | Flags::Function, 0, std::nullopt, 1},
      {"Ctrl+Shift+C", down, 8, Flags::Command | Flags::Shift, 0, HokeyStruct{0x120000, 8, 1, false}, 0},
      {"Alt+V with Caps Lock", down, 9, Flags::Option | Flags::CapsLock, 0, HokeyStruct{0x80000, 9, 1, false},
       0},
      {"Ctrl+a key of no layout", down, 0xFFFF, Flags::Command, 0, std::nullopt, 1},
      {"left Alt", mods, 58, Flags::Option, 1000, std::nullopt, 0},
      {"left Alt let go", mods, 58, 0, 100, std::nullopt, 0},
      {"left Alt again at 499 ms", mods, 58, Flags::Option, 399, HokeyStruct{0x80000, 58, 1, true}, 0},
      {"left Ctrl", mods, 55, Flags::Command, 1000, std::nullopt, 0},
      {"left Ctrl again at 500 ms", mods, 55, Flags::Command, 500, std::nullopt, 0},
      // The modifier of a combination just recorded is no first tap: the user is pressing the new hot key.
      {"Ctrl+B", down, 11, Flags::Command, 100, HokeyStruct{0x100000, 11, 1, false}, 0},
      {"left Ctrl let go", mods, 55, 0, 50, std::nullopt, 0},
      {"left Ctrl at once after Ctrl+B", mods, 55, Flags::Command, 50, std::nullopt, 0},
      {"right Super twice", mods, 62, Flags::Control, 1000, std::nullopt, 0},
      {"right Super again", mods, 62, Flags::Control, 100, std::nullopt, 0},
      {"left Super", mods, 59, Flags::Control, 100, std::nullopt, 0},
      {"left Super again", mods, 59, Flags::Control, 100, HokeyStruct{0x40000, 59, 1, true}, 0},
  };
  for (const Press& p : presses) {
    SCOPED_TRACE(p.what);
    clock_->advanceMs(p.afterMs);
    const std::size_t values = row_->values.size();
    const std::size_t beeps = ui::beepCount();
    const bool reachesWindow = send(p.type, p.code, p.flags);
    EXPECT_EQ(reachesWindow, p.type == mods);
    EXPECT_EQ(ui::beepCount() - beeps, p.beeps);
    if (p.recorded) {
      ASSERT_EQ(row_->values.size(), values + 1);
      EXPECT_EQ(row_->values.back(), *p.recorded);
      EXPECT_EQ(field_->inputContext(), *p.recorded);
    } else {
      EXPECT_EQ(row_->values.size(), values);
    }
  }
  EXPECT_EQ(lit(), std::vector<std::string>{"Super"});
  EXPECT_EQ(field_->alphabetDisplay()->title(), HotkeyTextField::kDoubleTap);

  // Escape alone ends recording; the next press goes to the window untouched.
  EXPECT_FALSE(send(down, 53, 0));
  EXPECT_FALSE(field_->focused());
  EXPECT_FALSE(KeyboardListener::shared().isSuspended());
  EXPECT_TRUE(send(down, 8, Flags::Command));
  EXPECT_EQ(row_->values.size(), 5u);
  EXPECT_EQ(field_->inputContext(), (HokeyStruct{0x40000, 59, 1, true}));
}

TEST_F(HotkeyTextFieldTest, StopNotificationsAndReloads) {
  int pane = 0;
  int otherPane = 0;
  row_->pane = &pane;
  field_->click();
  NotificationCenter::defaultCenter().post(HotkeyTextField::kShouldStopMonitor, &otherPane);
  EXPECT_TRUE(field_->focused());
  NotificationCenter::defaultCenter().post(HotkeyTextField::kShouldStopMonitor, &pane);
  EXPECT_FALSE(field_->focused());
  field_->click();
  NotificationCenter::defaultCenter().post(HotkeyTextField::kShouldStopMonitor, nullptr);
  EXPECT_FALSE(field_->focused());
  field_->click();
  field_->setHidden(true);
  EXPECT_FALSE(field_->focused());

  field_->reloadInputContext({0x100000, 55, 1, true});
  EXPECT_EQ(lit(), std::vector<std::string>{"Ctrl"});
  EXPECT_EQ(field_->alphabetDisplay()->title(), HotkeyTextField::kDoubleTap);
  field_->reloadInputContext(HokeyStruct::empty());
  EXPECT_EQ(lit(), std::vector<std::string>{"Ctrl"});
  EXPECT_EQ(field_->alphabetDisplay()->title(), "");
}

TEST_F(HotkeyTextFieldTest, Gallery) {
  test::DesktopPaintingScope painting;
  setBackgroundColorAssetKey(*window_, std::string("prefShortcutsBackgroundColor"));
  auto recording = HotkeyTextField::initWithFrame({10, 55, 260, 35}, row_);
  window_->contentView()->addSubview(recording);
  recording->click();
  send(ui::EventType::KeyDown, 8, Flags::Command | Flags::Shift);
  auto tap = HotkeyTextField::initWithFrame({10, 100, 260, 35}, row_);
  window_->contentView()->addSubview(tap);
  tap->reloadInputContext({0x80000, 58, 1, true});
  EXPECT_EQ(test::writeGallery(*window_, "hotkey-recorder", 2).size(), 2u);
}

}  // namespace
}  // namespace vl
