#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageViewLoading.h"
#include "Windows/Main/RecordViewTestSupport.h"
#include "Windows/Main/preview/FileView.h"
#include "core/VLConfig.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

using Shows = FileView::Shows;

// A file view over a store in a private HOME; paths with "/locked/" read as closed to the user, since
// tests may run as root, who reads everything.
class FileViewTest : public test::RecordViewTest {
 protected:
  void SetUp() override {
    test::RecordViewTest::SetUp();
    FileView::setAccessCheckForTesting([this](const std::string& path) {
      if (locked_ && path.find("/locked/") != std::string::npos) return FileView::Access::Denied;
      return std::filesystem::exists(path) ? FileView::Access::Readable : FileView::Access::Gone;
    });
    view_ = FileView::create({0, 0, CustomView::kWidth, CustomView::kHeight});
  }
  void TearDown() override {
    FileView::setAccessCheckForTesting(nullptr);
    RowServices::setTransferLookup(nullptr);
    VLFileInfo::setImageFileLoader(nullptr);
    view_.reset();
    test::RecordViewTest::TearDown();
  }

  std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = home_ / name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string png(const std::string& name, int w, int h) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w * h * 4), 200);
    return write(name, *ImageCodec::encodePNG(ui::Image({double(w), double(h)}, w, h, rgba)));
  }
  // Stores the record and shows it, as the preview does on selection.
  void show(const std::string& text, const Json& json) {
    VLEngine::shared().append(text, std::nullopt, json, kClipboardPinTabId);
    view_->setJsonData(json, text);
    ImageViewLoading::waitForPendingDecodes();
    dispatch::MainLoop::runUntilIdle();
  }
  std::string label() const { return view_->label()->string(); }

  std::shared_ptr<FileView> view_;
  bool locked_ = true;
};

TEST_F(FileViewTest, EachKindOfFileShowsItsIconThatItIsClosedOrThatItIsGone) {
  const std::string gone = localized("preview.file.notfound");
  struct Case {
    const char* name;
    std::string key;
    std::string path;
    Shows shows;
    std::string label;  // "" when hidden
  };
  const std::vector<Case> cases = {
      {"readable", "file", write("notes.txt", "hello"), Shows::Icon, "notes.txt - 5 bytes"},
      {"gone", "file", home_ / "old.txt", Shows::Icon, "old.txt " + gone},
      {"closed folder", "file", write("locked/secret.txt", "s"), Shows::Closed, ""},
      {"picture", "image", png("shot.png", 600, 300), Shows::Icon, "shot.png - "},
      {"picture that does not decode", "image", write("broken.png", "not a picture"), Shows::Icon,
       "broken.png - 13 bytes"},
      {"picture gone", "image", home_ / "lost.png", Shows::Icon, "lost.png " + gone},
      // The loader cannot read it, as it would not for another user.
      {"picture in a closed folder", "image", write("locked/shot.png", "unread"), Shows::Closed, ""},
  };
  for (const Case& c : cases) {
    show(c.name, Json{{c.key, c.path}, {"custom_view", "FileView"}});
    EXPECT_EQ(view_->shows(), c.shows) << c.name;
    EXPECT_EQ(view_->permissionView()->isHidden(), c.shows != Shows::Closed) << c.name;
    EXPECT_EQ(view_->label()->isHidden(), c.label.empty()) << c.name;
    EXPECT_EQ(label().substr(0, c.label.size()), c.label) << c.name;
    if (c.shows == Shows::Closed) {
      EXPECT_EQ(view_->permissionView()->failedOpenUrl(), "file://" + c.path) << c.name;
    } else {
      // A picture that does not decode still shows something: its type's icon.
      EXPECT_NE(view_->fileIcon()->image(), nullptr) << c.name;
    }
  }
}

TEST_F(FileViewTest, PictureIsFittedToTheWidthAndTheViewGrowsForATallOne) {
  struct Case {
    int w, h;
    ui::Rect icon;
    double viewHeight;
  };
  const std::vector<Case> cases = {
      {512, 256, {15, 269 - 15 - 153, 306, 153}, 269},  // scaled by 306 / 512
      {64, 32, {136, 222, 64, 32}, 269},                // small: natural size, 15 under the top
      {100, 1000, {118, 33, 100, 1000}, 1000 + 48},     // taller than the preview: it scrolls
  };
  for (const Case& c : cases) {
    const std::string path = png("p" + std::to_string(c.w) + "x" + std::to_string(c.h) + ".png", c.w, c.h);
    show(path, Json{{"image", path}});
    EXPECT_EQ(view_->fileIcon()->frame(), c.icon) << c.w << "x" << c.h;
    EXPECT_EQ(view_->frame().height(), c.viewHeight) << c.w << "x" << c.h;
    EXPECT_EQ(view_->label()->frame().minY(), c.icon.minY() - 15 - 18) << c.w << "x" << c.h;
    EXPECT_NE(view_->fileIcon()->image(), nullptr);
  }
}

TEST_F(FileViewTest, LongNamesKeepTheirEnds) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {std::string(31, 'a'), std::string(31, 'a')},
      {"0123456789" + std::string(12, 'x') + "abcdefghij", "0123456789\u2026abcdefghij"},
      // A character outside the BMP across a cut is left out, never halved.
      {"123456789\U0001F600" + std::string(20, 'x') + "\U0001F600bcdefghij", "123456789\u2026bcdefghij"},
  };
  for (const auto& [name, shown] : cases) EXPECT_EQ(FileView::shortenedName(name), shown) << name;
}

TEST_F(FileViewTest, TransferShowsItsProgressUntilItEndsAndARecordGoneShowsNothing) {
  const std::string path = png("arriving.png", 20, 20);
  const Json json{{"image", path}};
  auto transfer = std::make_shared<RowTransfer>();
  bool running = true;
  RowServices::setTransferLookup(
      [&](const std::string&) { return running ? transfer : std::shared_ptr<RowTransfer>(); });
  show("arriving", json);
  EXPECT_EQ(view_->shows(), Shows::Transfer);
  EXPECT_FALSE(view_->fileTransferOnPreview()->isHidden());
  EXPECT_TRUE(view_->fileIcon()->isHidden());
  EXPECT_EQ(view_->fileTransferOnPreview()->label()->string(), "arriving");

  running = false;
  ASSERT_TRUE(transfer->onEnd);
  transfer->onEnd();
  ImageViewLoading::waitForPendingDecodes();
  dispatch::MainLoop::runUntilIdle();
  EXPECT_TRUE(view_->fileTransferOnPreview()->isHidden());
  EXPECT_EQ(view_->shows(), Shows::Icon);

  ASSERT_TRUE(VLEngine::shared().delChunkByContext("arriving", json, kClipboardPinTabId));
  view_->refresh();
  EXPECT_EQ(view_->shows(), Shows::Nothing);
  EXPECT_EQ(view_->fileIcon()->image(), nullptr);
}

}  // namespace
}  // namespace vl
