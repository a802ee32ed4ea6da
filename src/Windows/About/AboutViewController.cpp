#include "Windows/About/AboutViewController.h"

#include "Windows/About/AboutWindow.h"
#include "core/VLConstants.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Resources.h"
#include "platform/richtext/RtfReader.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"
#include "theme/VLThemeManager.h"
#include "ui/VLTransparentScroller.h"

namespace vl {

namespace {
constexpr double kIconSide = 64;
constexpr double kLineHeight = 18;
constexpr double kIntroductionHeight = 230;
}  // namespace

AboutViewController::AboutViewController(std::string version, std::string build)
    : version_(version.empty() ? kShortVersion : std::move(version)),
      build_(build.empty() ? kBuildVersion : std::move(build)) {}

std::string AboutViewController::versionLine(const std::string& version, const std::string& build) {
  return localized("about.version") + " " + version + " (" + build + ") for Linux";
}

void AboutViewController::loadView() {
  const ui::Size size =
      window_ ? window_->contentRect().size : ui::Size{AboutWindow::kWidth, AboutWindow::kHeight};
  setView(std::make_shared<AboutView>(ui::Rect{{0, 0}, size}));
}

std::shared_ptr<ui::TextView> AboutViewController::label(const ui::Rect& frame, const ui::Font& font,
                                                         const std::string& colorKey,
                                                         const std::string& text) {
  auto view = ui::TextView::create(frame);
  view->setEditable(false);
  view->setSelectable(false);
  view->setDrawsBackground(false);
  view->setVerticallyResizable(false);
  view->setAlignment(ui::TextAlignment::Center);
  view->setFont(font);
  setTextColorAssetKey(*view, colorKey);
  view->setString(text);
  this->view()->addSubview(view);
  return view;
}

void AboutViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  themeManager();
  ui::View& root = *view();
  const double w = root.frame().width(), h = root.frame().height();

  iconImageView_ = ui::ImageView::create({(w - kIconSide) / 2, h - 15 - kIconSide, kIconSide, kIconSide});
  iconImageView_->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
  iconImageView_->setImage(ui::Image::named("icon"));
  root.addSubview(iconImageView_);

  appNameTextView_ = label({0, iconImageView_->frame().minY() - kLineHeight - 10, w, kLineHeight},
                           ui::Font::boldSystemFont(14), "fontColorLevel0", "Vellisto");
  versionTextView_ = label({0, appNameTextView_->frame().minY() - kLineHeight - 8, w, kLineHeight},
                           ui::Font::systemFont(10), "fontNormalColor", versionLine(version_, build_));

  const double scrollY = versionTextView_->frame().minY() - kIntroductionHeight - 15;
  textScrollView_ = ui::ScrollView::create({0, scrollY, w, kIntroductionHeight});
  // Only the knob shows over the text, in light and dark alike.
  textScrollView_->setVerticalScroller(VLTransparentScroller::create());
  textScrollView_->setHasVerticalScroller(true);
  textScrollView_->setDrawsBackground(false);
  introduceTextView_ = ui::TextView::create({0, 0, w, 10});
  introduceTextView_->setEditable(false);
  introduceTextView_->setSelectable(true);
  introduceTextView_->setDrawsBackground(false);
  introduceTextView_->setRichText(true);
  introduceTextView_->setTextContainerInset({12, 10});
  textScrollView_->setDocumentView(introduceTextView_);
  root.addSubview(textScrollView_);
  textScrollviewTopLine_ = Line::ofWidth(static_cast<int>(w), ui::Point{0, scrollY + kIntroductionHeight});
  root.addSubview(textScrollviewTopLine_);
  textScrollviewBottomLine_ = Line::ofWidth(static_cast<int>(w), ui::Point{0, scrollY});
  root.addSubview(textScrollviewBottomLine_);

  // Where the rating button stood the notice line sits, centred in the room below the introduction.
  copyrightTextView_ = label({0, (scrollY - kLineHeight) / 2, w, kLineHeight}, ui::Font::systemFont(10),
                             "fontNormalColor", localized("about.copyright"));
  loadRTFByAppearanceMode();
}

void AboutViewController::loadRTFByAppearanceMode() {
  if (!introduceTextView_) return;
  const std::string name =
      VLThemeManager::shared().appearanceMode() == 0 ? "introduce-light" : "introduce-dark";
  const std::string path = resourcePath(name + ".rtf");
  const std::optional<std::string> rtf = path.empty() ? std::nullopt : files::readFile(path);
  if (!rtf) {
    logWarningf("about: no introduction \"%s.rtf\" among the resources", name.c_str());
    return;
  }
  const std::optional<ui::AttributedString> text = ui::RtfReader::read(*rtf, VLFont::mainFont());
  if (!text) return;
  introduceTextView_->setAttributedString(*text);
  introduceTextView_->sizeToFit();
  loadedDocument_ = name;
}

}  // namespace vl
