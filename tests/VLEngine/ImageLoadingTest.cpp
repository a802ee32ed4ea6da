#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "VLEngine/image/ImageCache.h"
#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageViewLoading.h"
#include "core/VLConfig.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/controls/ImageView.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

constexpr double kFree = ImageViewLoading::kFreeHeight;

std::string pngOf(int wide, int high) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(wide) * high * 4, 200);
  ui::Image image(ui::Size{double(wide), double(high)}, wide, high, std::move(pixels));
  return ImageCodec::encodePNG(image).value_or("");
}

// A GIF header is all the codec reads of a GIF: its logical screen size.
std::string gifOf(int wide, int high) {
  std::string data = "GIF89a";
  data += {char(wide & 0xff), char(wide >> 8), char(high & 0xff), char(high >> 8)};
  data += std::string("\x00\x00\x00;", 4);
  return data;
}

class ImageLoadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    dispatch::MainLoop::adoptCurrentThread();
    cache_ = std::make_shared<ImageCache>("test.images", dir_ + "/cache");
    ImageViewLoading::setCacheForTesting(cache_);
  }

  void TearDown() override {
    dispatch::MainLoop::runUntilIdle();
    ImageViewLoading::setCacheForTesting(nullptr);
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
  }

  std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + "/" + name;
    EXPECT_TRUE(files::atomicWrite(path, bytes));
    return path;
  }

  struct Result {
    std::optional<std::string> path;
    std::optional<VLError> error;
    ui::Size size;
    bool called = false;
  };
  Result load(const std::shared_ptr<ui::ImageView>& view, const Json& json, ui::Size size) {
    Result r;
    ImageViewLoading::vc_setImage(
        view, json, size,
        [&](const std::optional<std::string>& path, const std::optional<VLError>& error, ui::Size s) {
          r.path = path;
          r.error = error;
          r.size = s;
          r.called = true;
        });
    return r;
  }

  vl::test::PrivateHome home_{"vl-image-loading"};
  const std::string dir_ = home_.path();
  std::shared_ptr<ImageCache> cache_;
};

TEST_F(ImageLoadingTest, SizeOfTheViewAndOfTheKeptImage) {
  struct Case {
    const char* what;
    std::string bytes;
    ui::Size asked;
    ui::Size viewSize;
    ui::Size keptPixels;
  };
  const std::vector<Case> cases = {
      // 300 x 225 asks for 999 x 749.25 pixels; a bitmap has whole pixels.
      {"shrunk for the display", pngOf(1000, 750), {300, kFree}, {300, 225}, {999, 749}},
      {"never enlarged", pngOf(400, 300), {300, kFree}, {300, 225}, {400, 300}},
      {"narrower than asked", pngOf(200, 100), {300, kFree}, {200, 100}, {200, 100}},
      {"fixed height kept", pngOf(1000, 750), {300, 100}, {300, 100}, {444, 333}},
      {"gif as it is", gifOf(1000, 750), {300, kFree}, {300, 225}, {0, 0}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string ext = c.bytes.rfind("GIF", 0) == 0 ? ".gif" : ".png";
    const std::string file = write("image" + std::to_string(n++) + ext, c.bytes);
    auto view = ui::ImageView::create();
    Result r = load(view, Json{{"web_image", file}}, c.asked);
    ASSERT_TRUE(r.called) << c.what;
    EXPECT_FALSE(r.error) << c.what;
    EXPECT_EQ(r.path, "file://" + file) << c.what;
    EXPECT_EQ(r.size, c.viewSize) << c.what;

    // The view gets the image on the main queue, not before.
    EXPECT_EQ(view->image(), nullptr) << c.what;
    dispatch::MainLoop::runUntilIdle();
    ASSERT_NE(view->image(), nullptr) << c.what;
    EXPECT_EQ(view->image()->pixelsWide(), int(c.keptPixels.width)) << c.what;
    EXPECT_EQ(view->image()->pixelsHigh(), int(c.keptPixels.height)) << c.what;

    const std::string key = ImageViewLoading::_cacheKey("file://" + file, c.asked.width);
    EXPECT_EQ(cache_->imageFromMemoryCacheForKey(key), view->image()) << c.what;
    EXPECT_TRUE(files::isRegularFile(cache_->cachePathForKey(key)) || ext == ".gif") << c.what;
  }
}

TEST_F(ImageLoadingTest, SameWidthComesFromTheCacheAnotherWidthLoadsAgain) {
  const std::string file = write("photo.png", pngOf(1000, 750));
  const Json json = {{"web_image", file}};
  EXPECT_EQ(load(nullptr, json, {300, kFree}).size, (ui::Size{300, 225}));

  // The file changes on disk; the cached image answers for the width it was loaded at.
  write("photo.png", pngOf(800, 200));
  EXPECT_EQ(load(nullptr, json, {300, kFree}).size, (ui::Size{300, 225}));
  EXPECT_EQ(load(nullptr, json, {400, kFree}).size, (ui::Size{400, 100}));
}

TEST_F(ImageLoadingTest, FailuresAnswerTheirCodes) {
  const std::string notImage = write("notes.png", "just text");
  struct Case {
    const char* what;
    Json json;
    long code;
    bool hasPath;
    ui::Size size;
  };
  const std::vector<Case> cases = {
      {"no image key", Json{{"file", notImage}}, 122, false, {0, 0}},
      {"file gone", Json{{"image", dir_ + "/missing.png"}}, 122, false, {0, 0}},
      {"no json", Json(), 122, false, {0, 0}},
      {"not an image", Json{{"image", notImage}}, 123, true, {300, kFree}},
  };
  for (const Case& c : cases) {
    auto view = ui::ImageView::create();
    Result r = load(view, c.json, {300, kFree});
    ASSERT_TRUE(r.called) << c.what;
    ASSERT_TRUE(r.error) << c.what;
    EXPECT_EQ(r.error->code(), c.code) << c.what;
    EXPECT_EQ(r.error->message(), "") << c.what;
    EXPECT_EQ(r.path.has_value(), c.hasPath) << c.what;
    EXPECT_EQ(r.size, c.size) << c.what;
    dispatch::MainLoop::runUntilIdle();
    EXPECT_EQ(view->image(), nullptr) << c.what;
  }
}

TEST_F(ImageLoadingTest, AViewGoneBeforeTheMainQueueRanIsLeftAlone) {
  const std::string file = write("late.png", pngOf(100, 100));
  auto view = ui::ImageView::create();
  Result r = load(view, Json{{"image", file}}, {50, kFree});
  EXPECT_EQ(r.size, (ui::Size{50, 50}));
  view.reset();
  EXPECT_GT(dispatch::MainLoop::runUntilIdle(), 0u);
}

}  // namespace
}  // namespace vl
