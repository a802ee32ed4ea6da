#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <future>
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
#include "platform/foundation/Log.h"
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

// A PNG written a row at a time, so a test can make pictures far larger than it wants to hold: the top
// half one colour, the bottom half another. Only `rows` rows of data follow the header (0: all).
void writePng(const std::string& path, int wide, int high, std::array<std::uint8_t, 4> top,
              std::array<std::uint8_t, 4> bottom, int rows = 0) {
  std::string out("\x89PNG\r\n\x1a\n", 8);
  auto chunk = [&](const char* type, const std::string& body) {
    auto be32 = [&](std::uint32_t v) {
      for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift));
    };
    be32(static_cast<std::uint32_t>(body.size()));
    const std::string typed = std::string(type) + body;
    out += typed;
    be32(static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size())));
  };
  std::string header;
  for (std::uint32_t v : {static_cast<std::uint32_t>(wide), static_cast<std::uint32_t>(high)})
    for (int shift = 24; shift >= 0; shift -= 8) header.push_back(static_cast<char>(v >> shift));
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, not interlaced
  chunk("IHDR", header);
  z_stream z{};
  deflateInit(&z, Z_BEST_SPEED);
  std::string row(1 + static_cast<std::size_t>(wide) * 4, '\0');
  std::string packed;
  std::vector<char> buffer(1 << 16);
  const int written = rows > 0 ? rows : high;
  for (int y = 0; y < written; ++y) {
    const auto& colour = y < high / 2 ? top : bottom;
    for (int x = 0; x < wide; ++x) std::memcpy(&row[1 + static_cast<std::size_t>(x) * 4], colour.data(), 4);
    z.next_in = reinterpret_cast<Bytef*>(row.data());
    z.avail_in = static_cast<uInt>(row.size());
    const int flush = y + 1 == written ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = reinterpret_cast<Bytef*>(buffer.data());
      z.avail_out = static_cast<uInt>(buffer.size());
      deflate(&z, flush);
      packed.append(buffer.data(), buffer.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  chunk("IDAT", packed);
  chunk("IEND", "");
  ASSERT_TRUE(files::atomicWrite(path, out));
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
    ImageViewLoading::waitForPendingDecodes();
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

    // The view gets the image on the main queue once it is decoded, not before.
    EXPECT_EQ(view->image(), nullptr) << c.what;
    ImageViewLoading::waitForPendingDecodes();
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
  ImageViewLoading::waitForPendingDecodes();

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
  // The hand-over to the gone view runs here or already inside the wait, which runs main-queue blocks.
  ImageViewLoading::waitForPendingDecodes();
  dispatch::MainLoop::runUntilIdle();
}

// A small file that unpacks to a huge picture must cost the window nothing: the caller gets the size at
// once from the header, the decode happens on the decode queue, and a picture past what a view decodes
// is refused there without its pixels ever being made.
TEST_F(ImageLoadingTest, DecodingRunsOffTheCallersThreadAndHugePicturesAreRefused) {
  const std::string huge = dir_ + "/huge.png";
  writePng(huge, 16384, 16384, {200, 0, 0, 255}, {200, 0, 0, 255}, 4);
  const std::string normal = dir_ + "/normal.png";
  writePng(normal, 60, 40, {0, 0, 200, 255}, {0, 0, 200, 255});
  auto queue = dispatch::Queue::serial("test.image-decode");
  ImageViewLoading::setDecodeQueueForTesting(queue);
  std::promise<void> gate;
  queue->async([future = gate.get_future().share()] { future.wait(); });

  auto hugeView = ui::ImageView::create();
  auto normalView = ui::ImageView::create();
  vl::test::LogCapture logs;
  // Both answer while the decode queue is still held: nothing was decoded on this thread.
  EXPECT_EQ(load(hugeView, Json{{"image", huge}}, {18, 18}).size, (ui::Size{18, 18}));
  EXPECT_EQ(load(normalView, Json{{"image", normal}}, {30, kFree}).size, (ui::Size{30, 20}));
  gate.set_value();
  ImageViewLoading::waitForPendingDecodes();
  dispatch::MainLoop::runUntilIdle();
  ImageViewLoading::setDecodeQueueForTesting(nullptr);

  EXPECT_EQ(hugeView->image(), nullptr);
  EXPECT_TRUE(vl::test::LogCapture::contains("16384 x 16384 pixels is more than a view decodes"));
  ASSERT_NE(normalView->image(), nullptr);
  EXPECT_EQ(normalView->image()->pixelsWide(), 60);
}

// A large picture is decoded straight to the size shown: the decoding process never holds it whole (its
// full-size RGBA alone would be 192 MB), and what comes out keeps its colours where they were.
TEST_F(ImageLoadingTest, LargePicturesAreShrunkWhileTheyAreRead) {
  const std::string large = dir_ + "/large.png";
  writePng(large, 8000, 6000, {250, 10, 10, 255}, {10, 10, 250, 255});
  auto residentBytes = [] {
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm && std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    if (statm) std::fclose(statm);
    return resident * ::sysconf(_SC_PAGESIZE);
  };
  const long before = residentBytes();
  const pid_t child = ::fork();
  if (child == 0) {
    ui::ImageRef image = ImageCodec::decodeFileFitting(large, 40, 40);
    const bool right = image && image->pixelsWide() == 40 && image->pixelsHigh() == 30 &&
                       image->pixels()[0] == 250 && image->pixels()[(29 * 40) * 4 + 2] == 250;
    ::_exit(right ? 0 : 1);
  }
  ASSERT_GT(child, 0);
  int status = 0;
  struct rusage usage {};
  ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_LT(usage.ru_maxrss * 1024L - before, 96L << 20);
}

}  // namespace
}  // namespace vl
