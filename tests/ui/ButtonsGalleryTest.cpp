#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ButtonsTestSupport.h"
#include "platform/system/paint/CairoPainter.h"
#include "ui/controls/Button.h"
#include "ui/controls/Button2.h"
#include "ui/controls/ButtonPresets.h"
#include "ui/controls/ButtonTextView.h"
#include "ui/controls/ITSwitch.h"
#include "ui/controls/ImageTextButton.h"
#include "ui/controls/SYFlatButton.h"
#include "ui/view/GlobalColorPanel.h"
#include "ui/view/ThemeView.h"
#include "ui/view/VLImageAspectFillView.h"
#include "ui/view/VLVisualEffectScrollView.h"
#include "ui/view/VLVisualEffectView.h"

namespace vl {
namespace {

using ui::Color;
using ui::Rect;

// An ARGB pixel of a written PNG, read back through Cairo.
class Png {
 public:
  explicit Png(const std::string& path) : surface_(cairo_image_surface_create_from_png(path.c_str())) {}
  ~Png() { cairo_surface_destroy(surface_); }
  Png(const Png&) = delete;
  Png& operator=(const Png&) = delete;
  bool ok() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
  // The pixel at a point of window coordinates (origin bottom left).
  std::uint32_t at(ui::Point p) const {
    int height = cairo_image_surface_get_height(surface_);
    int x = static_cast<int>(p.x), y = height - 1 - static_cast<int>(p.y);
    const unsigned char* row =
        cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
    return reinterpret_cast<const std::uint32_t*>(row)[x];
  }

 private:
  cairo_surface_t* surface_;
};

// The WCAG contrast ratio of two opaque ARGB pixels.
double contrast(std::uint32_t a, std::uint32_t b) {
  auto luminance = [](std::uint32_t p) {
    auto channel = [](std::uint32_t c) {
      const double v = static_cast<double>(c & 0xFF) / 255;
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(p >> 16) + 0.7152 * channel(p >> 8) + 0.0722 * channel(p);
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Every widget of the themed buttons, base views and colour panel, in its states, in one window.
class ButtonsGallery : public test::ButtonsWidgetTest {
 protected:
  void SetUp() override {
    ButtonsWidgetTest::SetUp();
    window_->setFrame({100, 100, 760, 470}, false);
    setBackgroundColorAssetKey(*window_, std::string("modalViewBackgroundColor"));
    root_ = ThemeView::withKey(window_->contentView()->bounds(), "modalViewBackgroundColor");
    window_->contentView()->addSubview(root_);
    build();
  }

  template <typename V>
  std::shared_ptr<V> place(std::shared_ptr<V> view, Rect frame) {
    view->setFrame(frame);
    root_->addSubview(view);
    return view;
  }

  std::shared_ptr<SYFlatButton> flat(Rect frame, const std::string& title) {
    auto button = place(SYFlatButton::create(), frame);
    button->setTitle(title);
    button->setBorderWidth(1);
    using Role = SYFlatButton::ColorRole;
    button->setColorAssetKey(Role::BorderNormal, std::string("viceButtonBorderColor"));
    button->setColorAssetKey(Role::BorderHighlight, std::string("accentColor"));
    button->setColorAssetKey(Role::BackgroundNormal, std::string("viceButtonBackgroundColor"));
    button->setColorAssetKey(Role::BackgroundHighlight, std::string("accentColor"));
    button->setColorAssetKey(Role::TitleNormal, std::string("fontNormalColor"));
    button->setColorAssetKey(Role::TitleHighlight, std::string("white"));
    return button;
  }

  std::shared_ptr<Button2> button2(Rect frame, const std::string& title) {
    auto button = Button2::create(frame);
    button->setTitle(title);
    button->setTextColorAssetKey(std::string("fontNormalColor"));
    button->setTextDisabledColorAssetKey(std::string("disableFontColor"));
    button->setButtonBackgroundColorAssetKey(std::string("viceButtonBackgroundColor"));
    button->setButtonBackgroundHighlightedColorAssetKey(std::string("viceButtonHighlightedBackgroundColor"));
    button->setButtonBackgroundSelectedColorAssetKey(std::string("tabBarItemSelectedBackgroundColor"));
    button->setButtonBackgroundDisabledColorAssetKey(std::string("disableBackgroundColor"));
    button->setBorderWidth(1);
    button->setBorderColorAssetKey(std::string("viceButtonBorderColor"));
    button->setImage(icon_);
    return place(button, frame);
  }

  void build() {
    // Row 1: flat buttons off, pressed and disabled; switches off, on and disabled.
    flatNormal_ = flat({20, 400, 90, 30}, "Grant");
    flatPressed_ = flat({120, 400, 90, 30}, "Grant");
    flatPressed_->setState(ui::ControlStateValue::On);
    flat({220, 400, 90, 30}, "Grant")->setEnabled(false);
    switchOff_ = place(ITSwitch::create(), {340, 400, 52, 32});
    switchOn_ = place(ITSwitch::create(), {410, 400, 52, 32});
    switchOn_->setChecked(true);
    place(ITSwitch::create(), {480, 400, 52, 32})->setEnabled(false);

    // Row 2: Button2 normal, hovered, selected and disabled; the navigation presets; the older button.
    button2({20, 340, 100, 30}, "Normal");
    button2({130, 340, 100, 30}, "Hover")->setHighlighted(true);
    button2({240, 340, 100, 30}, "Selected")->setSelected(true);
    button2({350, 340, 100, 30}, "Disabled")->setEnabled(false);
    place(DefaultNavConfirmButton::create(), {460, 338, 65, 35})->setTitle("Done");
    place(DefaultNavCancelButton::create(), {530, 338, 65, 35})->setTitle("Cancel");
    old_ = place(Button::create(), {610, 340, 110, 30});
    old_->setTitle("Older");
    old_->setBorderWidth(1);
    colourOldButton();

    // Row 3: confirm and cancel, highlighted and disabled; labels; the text label; an image-text button.
    std::vector<std::shared_ptr<Button3>> alerts = {place(DefaultConfirmButton::create(), {20, 290, 70, 25}),
                                                    place(DefaultConfirmButton::create(), {100, 290, 70, 25}),
                                                    place(DefaultCancelButton::create(), {180, 290, 70, 25}),
                                                    place(DefaultCancelButton::create(), {260, 290, 70, 25})};
    for (const auto& b : alerts) b->setTitle(dynamic_cast<DefaultConfirmButton*>(b.get()) ? "OK" : "Cancel");
    for (const auto& b : alerts) b->setEnabled(true);
    alerts[1]->setEnabled(false);
    alerts[3]->setEnabled(false);
    place(NormalLabel::create({}), {350, 290, 110, 25})->setTitle("Normal label");
    place(SubtitleLabel::create({}), {470, 290, 110, 25})->setTitle("Subtitle label");
    auto text = place(ButtonTextView::create(), {590, 290, 120, 25});
    text->setText("Text label");
    text->setTextColorAssetKey(std::string("accentColor"));
    text->setBackgroundColorAssetKey(std::string("recordAreaBackgroundColor"));
    auto tab = ImageTextButton::create({20, 215, 60, 50});
    tab->setTitle("Tab");
    tab->setImage(icon_);
    tab->setTextColorAssetKey(std::string("fontNormalColor"));
    place(tab, {20, 215, 60, 50});

    // Row 4: base views and the colour panel.
    place(ThemeView::withKey({}, "infobarBackgroundColor"), {100, 215, 80, 50});
    place(VLVisualEffectView::create(), {190, 215, 80, 50});
    place(VLVisualEffectScrollView::create(), {280, 215, 80, 50});
    place(VLImageAspectFillView::create(), {370, 215, 80, 50})->setImage(icon_);
    auto panel = place(GlobalColorPanel::create({0, 0, 380, 90}), {20, 110, 380, 90});
    panel->load();
    panel->setColor("4A90E2");
  }

  // Its colours are plain colours: its owner chooses them again for each mode.
  void colourOldButton() {
    old_->setBackgroundColor(color("viceButtonBackgroundColor"));
    old_->setBorderColor(color("viceButtonBorderColor"));
    old_->setTextColor(color("fontNormalColor"));
    old_->removeFromSuperview();  // joining again applies them
    root_->addSubview(old_);
  }

  // Writes the window in the current mode and answers the file's path.
  std::string write(const std::string& mode) {
    driver_.advance(1000);  // every layer animation ends
    std::string folder = std::string(VL_BINARY_DIR) + "/gallery";
    std::filesystem::create_directories(folder);
    std::string path = folder + "/widgets-buttons-" + mode + ".png";
    EXPECT_TRUE(paint::writeWindowPng(*window_, path));
    return path;
  }

  // The knob's middle in window coordinates, as drawn.
  double knobMidX(const ITSwitch& sw) const {
    for (const auto& c : window_->displayList().commands()) {
      if (c.layer == sw.knobInsideLayer().get() && c.kind != ui::DrawCommand::Kind::Shadow)
        return c.windowBounds().midX();
    }
    ADD_FAILURE() << "the knob was not drawn";
    return 0;
  }

  void probe(const std::string& path, bool dark = false) {
    Png png(path);
    ASSERT_TRUE(png.ok());
    // An off switch is seen for what it is on the pane: its rim stands out as a control's edge should.
    if (dark) {
      const std::uint32_t pane = png.at(at(*switchOff_, {26, -6}));
      const std::uint32_t rim = png.at(at(*switchOff_, {51.5, 16}));
      EXPECT_GE(contrast(rim, pane), 3.0) << std::hex << rim << " on " << pane;
    }
    EXPECT_NE(png.at(centre(*flatPressed_)), png.at(centre(*flatNormal_)));
    // Rounded shapes show only where the painter fills paths: the on switch's track tells.
    bool pathsPainted = png.at(at(*switchOn_, {6, 16})) != png.at(at(*switchOn_, {26, -6}));
    for (const ITSwitch* sw : {switchOff_.get(), switchOn_.get()}) {
      EXPECT_EQ(knobMidX(*sw) > at(*sw, {26, 16}).x, sw->checked());
      if (!pathsPainted) continue;
      std::uint32_t left = png.at(at(*sw, {10, 16})), right = png.at(at(*sw, {42, 16}));
      EXPECT_EQ(sw->checked() ? right : left, 0xFFFFFFFFu);
      EXPECT_NE(sw->checked() ? left : right, 0xFFFFFFFFu);
    }
  }

  ui::ImageRef icon_ = std::make_shared<ui::Image>(ui::Size{16, 16}, 16, 16,
                                                   std::vector<std::uint8_t>(16 * 16 * 4, 0xFF), "dot");
  std::shared_ptr<ThemeView> root_;
  std::shared_ptr<SYFlatButton> flatNormal_, flatPressed_;
  std::shared_ptr<Button> old_;
  std::shared_ptr<ITSwitch> switchOff_, switchOn_;
};

TEST_F(ButtonsGallery, EveryWidgetInItsStatesInLightAndDark) {
  probe(write("light"));
  setDark(true);
  colourOldButton();
  probe(write("dark"), true);
}

}  // namespace
}  // namespace vl
