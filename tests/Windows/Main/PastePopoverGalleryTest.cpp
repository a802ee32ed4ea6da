#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Windows/Main/paste/PastePopoverViewController.h"
#include "platform/ui/menu/Popover.h"
#include "support/Gallery.h"
#include "ui/WidgetTestSupport.h"
#include "ui/panels/PopoverCenter.h"

namespace vl {
namespace {

using PastePopoverGallery = test::WidgetTest;

// The popover that asks for a paste by hand, as it shows at a tray icon along the top of the screen.
TEST_F(PastePopoverGallery, TellsToPressCtrlVInLightAndDark) {
  test::DesktopPaintingScope painting;
  PastePopoverViewController::setSelectedTextSource([] {
    return std::string("Meeting notes for Thursday: agenda, the budget review and who brings lunch");
  });
  auto popover = PastePopover::create();
  popover->setContentSize({300, 160});
  auto content = PastePopoverViewController::create();
  content->setPopover(popover);
  popover->setContentViewController(content);
  const ui::Rect icon{700, 876, 24, 24};
  popover->showRelativeToScreenRect(icon, ui::RectEdge::MaxY);
  ASSERT_TRUE(popover->isShown());
  // No room above a tray at the top: it opens below the icon, centred on it.
  EXPECT_LE(popover->window()->frame().maxY(), icon.minY());
  EXPECT_NEAR(popover->window()->frame().midX(), icon.midX(), 1);
  const std::vector<std::string> written = test::writeGallery(*popover->window(), "paste-popover");
  ASSERT_EQ(written.size(), 2u);
  // The how-to line stands out from the ground in both appearances.
  for (const std::string& path : written) {
    std::optional<test::PixelProbe> probe = test::PixelProbe::fromPng(path);
    ASSERT_TRUE(probe) << path;
    EXPECT_GT(probe->inkIn({10, 132, 280, 18}, probe->at({295, 150}), 60).count, 50) << path;
  }
  popover->close();
  PastePopoverViewController::setSelectedTextSource(nullptr);
}

}  // namespace
}  // namespace vl
