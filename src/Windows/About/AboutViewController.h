#pragma once

#include <memory>
#include <string>

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/view/ViewController.h"
#include "theme/VLThemeObject.h"
#include "ui/Line.h"

namespace vl {

class AboutWindow;

// The About window's plain content view; it draws nothing of its own.
class AboutView : public ui::View {
 public:
  using ui::View::View;
};

// The About window's content: the icon, the name, "version (build) for Linux", the introduction in rich
// text (its light or dark document, swapped when the appearance changes) and the notice line. There is
// no rating button: no store on Linux takes ratings. Main thread only.
class AboutViewController : public ui::ViewController, public VLThemeObject {
 public:
  // The program's own version and build by default; tests give others.
  explicit AboutViewController(std::string version = {}, std::string build = {});

  void setWindow(AboutWindow* window) { window_ = window; }
  AboutWindow* window() const { return window_; }

  void loadView() override;
  void viewDidLoad() override;
  // Reads "introduce-light.rtf" or "introduce-dark.rtf" into the introduction; a missing or unreadable
  // document leaves it as it was.
  void loadRTFByAppearanceMode();
  void lightOrDarkChanged() override { loadRTFByAppearanceMode(); }

  // "<about.version> <version> (<build>) for Linux".
  static std::string versionLine(const std::string& version, const std::string& build);

  const std::shared_ptr<ui::ImageView>& iconImageView() const { return iconImageView_; }
  const std::shared_ptr<ui::TextView>& appNameTextView() const { return appNameTextView_; }
  const std::shared_ptr<ui::TextView>& versionTextView() const { return versionTextView_; }
  const std::shared_ptr<ui::TextView>& introduceTextView() const { return introduceTextView_; }
  const std::shared_ptr<ui::ScrollView>& textScrollView() const { return textScrollView_; }
  const std::shared_ptr<ui::TextView>& copyrightTextView() const { return copyrightTextView_; }
  // Which document the introduction shows: "introduce-light", "introduce-dark", or "" before any.
  const std::string& loadedDocument() const { return loadedDocument_; }

 private:
  std::shared_ptr<ui::TextView> label(const ui::Rect& frame, const ui::Font& font,
                                      const std::string& colorKey, const std::string& text);

  AboutWindow* window_ = nullptr;
  std::string version_;
  std::string build_;
  std::shared_ptr<ui::ImageView> iconImageView_;
  std::shared_ptr<ui::TextView> appNameTextView_;
  std::shared_ptr<ui::TextView> versionTextView_;
  std::shared_ptr<ui::TextView> introduceTextView_;
  std::shared_ptr<Line> textScrollviewTopLine_;
  std::shared_ptr<Line> textScrollviewBottomLine_;
  std::shared_ptr<ui::ScrollView> textScrollView_;
  std::shared_ptr<ui::TextView> copyrightTextView_;
  std::string loadedDocument_;
};

}  // namespace vl
