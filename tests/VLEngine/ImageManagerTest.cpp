#include <gtest/gtest.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cmath>
#include <cstdint>
#include <vector>

#include "StoreTestSupport.h"
#include "VLEngine/doc/record/IndexHelper.h"
#include "VLEngine/doc/record/JsonDataHelper.h"
#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageManager.h"

namespace vl {
namespace {

using test::StoreFixture;

ui::ImageRef solid(int wide, int high, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
  std::vector<std::uint8_t> pixels;
  for (int i = 0; i < wide * high; ++i) pixels.insert(pixels.end(), {r, g, b, a});
  return std::make_shared<ui::Image>(ui::Size{double(wide), double(high)}, wide, high, std::move(pixels));
}

// A JPEG of one colour, written with the same library the store decodes with.
std::string jpegOf(int wide, int high, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = wide;
  info.image_height = high;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row;
  for (int x = 0; x < wide; ++x) row.insert(row.end(), {r, g, b});
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::string out(reinterpret_cast<char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

class ImageManagerTest : public StoreFixture {};

TEST_F(ImageManagerTest, PngKeepsEveryPixelAndJpegDecodesToItsSizeAndColour) {
  std::vector<std::uint8_t> pixels = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40};
  ui::ImageRef png = ImageCodec::decode(*ImageCodec::encodePNG(ui::Image(ui::Size{2, 2}, 2, 2, pixels)));
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->pixelsWide(), 2);
  EXPECT_EQ(png->pixels(), pixels);

  ui::ImageRef jpeg = ImageCodec::decode(jpegOf(16, 8, 200, 100, 50));
  ASSERT_NE(jpeg, nullptr);
  EXPECT_EQ(jpeg->pixelsWide(), 16);
  EXPECT_EQ(jpeg->pixelsHigh(), 8);
  const auto& p = jpeg->pixels();
  EXPECT_NEAR(p[0], 200, 4);
  EXPECT_NEAR(p[1], 100, 4);
  EXPECT_NEAR(p[2], 50, 4);
  EXPECT_EQ(p[3], 255);
}

TEST_F(ImageManagerTest, DamagedDataGivesNoImage) {
  std::string png = *ImageCodec::encodePNG(*solid(8, 8, 1, 2, 3));
  std::string jpeg = jpegOf(8, 8, 1, 2, 3);
  for (const std::string& data :
       {png.substr(0, png.size() / 2), png.substr(0, 12), jpeg.substr(0, jpeg.size() / 3), jpeg.substr(0, 4),
        std::string("GIF89a"), std::string("plain text")}) {
    // A cut-off JPEG may still give its first rows; nothing may crash.
    ImageCodec::decode(data);
  }
  EXPECT_EQ(ImageCodec::decode(png.substr(0, 12)), nullptr);
  EXPECT_EQ(ImageCodec::decode("plain text"), nullptr);
  // A GIF is known by its size only and keeps it through a resize.
  ui::ImageRef gif = ImageCodec::decode(std::string("GIF89a\x40\x01\xF0\x00", 10));
  ASSERT_NE(gif, nullptr);
  EXPECT_FALSE(gif->hasPixels());
  EXPECT_EQ(gif->size().width, 320);
  EXPECT_EQ(ImageCodec::resizedImage(gif, 32, 32)->size().height, 24);
}

TEST_F(ImageManagerTest, ResizeFitsInsideRoundsAndAverages) {
  // A black and white checkerboard shrinks to grey.
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 400; ++x) {
      const std::uint8_t v = ((x + y) % 2) ? 255 : 0;
      pixels.insert(pixels.end(), {v, v, v, 255});
    }
  }
  auto board = std::make_shared<ui::Image>(ui::Size{400, 300}, 400, 300, std::move(pixels));
  ui::ImageRef small = ImageCodec::resizedImage(board, 40, 40);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->pixelsWide(), 40);
  EXPECT_EQ(small->pixelsHigh(), 30);
  EXPECT_NEAR(small->pixels()[0], 128, 2);
  EXPECT_EQ(small->pixels()[3], 255);

  // Fractional targets become whole pixels; growing keeps the colour.
  ui::ImageRef odd = ImageCodec::resizedImage(solid(4000, 3, 9, 9, 9), 999, 749.25);
  EXPECT_EQ(odd->pixelsWide(), 999);
  EXPECT_EQ(odd->pixelsHigh(), 1);
  ui::ImageRef big = ImageCodec::resizedImage(solid(2, 2, 7, 70, 170), 6, 6);
  EXPECT_EQ(big->pixelsWide(), 6);
  EXPECT_EQ(big->pixels()[6 * 4 * 5 + 5 * 4 + 1], 70);
  // A transparent neighbour does not darken a colour.
  std::vector<std::uint8_t> half = {255, 0, 0, 255, 0, 0, 0, 0};
  ui::ImageRef one = ImageCodec::scaledImage(ui::Image(ui::Size{2, 1}, 2, 1, half), 1, 1);
  EXPECT_EQ(one->pixels()[0], 255);
  EXPECT_NEAR(one->pixels()[3], 128, 1);
}

TEST_F(ImageManagerTest, PathChoiceFollowsTheKeyOrderAndTheDisk) {
  ASSERT_TRUE(files::atomicWrite(home() + "/web.png", "x"));
  ASSERT_TRUE(files::atomicWrite(home() + "/my shot.png", "x"));
  ASSERT_TRUE(files::atomicWrite(home() + "/forever.png", "x"));
  bool permission = true;
  EXPECT_EQ(ImageManager::getPath(Json{{"web_image", home() + "/web.png"}}, &permission),
            "file://" + home() + "/web.png");
  EXPECT_FALSE(permission);
  EXPECT_EQ(ImageManager::getPath(
                Json{{"image", home() + "/my%20shot.png"}, {"web_image", home() + "/web.png"}}, &permission),
            "file://" + home() + "/my%20shot.png");
  EXPECT_TRUE(permission);
  EXPECT_EQ(ImageManager::getPath(
                Json{{"image", home() + "/gone.png"}, {"forever_image", home() + "/forever.png"}}),
            "file://" + home() + "/forever.png");
  EXPECT_EQ(ImageManager::getPath(Json{{"image", home() + "/gone.png"}}), std::nullopt);
  EXPECT_EQ(ImageManager::getPath(std::nullopt), std::nullopt);
  EXPECT_EQ(ImageManager::getPath(Json::array()), std::nullopt);
}

TEST_F(ImageManagerTest, RecordImagesLoadFromTheirFiles) {
  ASSERT_TRUE(files::atomicWrite(home() + "/copy.png", *ImageCodec::encodePNG(*solid(40, 20, 1, 2, 3))));
  ASSERT_TRUE(files::atomicWrite(home() + "/web.jpg", jpegOf(40, 20, 9, 9, 9)));
  // Every image fits the size asked for, a copied file too: an icon never costs the whole picture.
  ui::ImageRef copy = IndexHelper::getImage(Json{{"image", home() + "/copy.png"}}, 10, 10);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->pixelsWide(), 10);
  EXPECT_EQ(copy->pixelsHigh(), 5);
  EXPECT_EQ(std::vector<int>(copy->pixels().begin(), copy->pixels().begin() + 4),
            (std::vector<int>{1, 2, 3, 255}));
  ui::ImageRef web = IndexHelper::getImage(Json{{"web_image", home() + "/web.jpg"}}, 10, 10);
  ASSERT_NE(web, nullptr);
  EXPECT_EQ(web->pixelsWide(), 10);
  EXPECT_EQ(web->pixelsHigh(), 5);
  EXPECT_EQ(IndexHelper::getImage(Json{{"image", home() + "/none.png"}}, 0, 0), nullptr);
  EXPECT_EQ(IndexHelper::getImage(Json::object(), 0, 0), nullptr);
}

TEST_F(ImageManagerTest, CacheKeepsImagesInMemoryAndOnDisk) {
  ImageCache& cache = ImageManager::shared().cache();
  EXPECT_EQ(cache.diskCachePath(), home() + "/cache/vellisto/com.vellisto.image.cache");
  const std::string key = "0123abcd@300w@3x.";
  cache.storeImage(solid(3, 3, 5, 6, 7), key);
  EXPECT_NE(cache.imageFromMemoryCacheForKey(key), nullptr);
  cache.clearMemory();
  EXPECT_EQ(cache.imageFromMemoryCacheForKey(key), nullptr);
  ui::ImageRef fromDisk = cache.imageFromCacheForKey(key);
  ASSERT_NE(fromDisk, nullptr);
  EXPECT_EQ(fromDisk->pixels()[0], 5);
  EXPECT_NE(cache.imageFromMemoryCacheForKey(key), nullptr);
  EXPECT_EQ(cache.imageFromCacheForKey("0123abcd@18w"), nullptr);

  ImageCache small("ns", home() + "/small", 2);
  for (const char* k : {"a", "b", "c"}) small.storeImage(solid(1, 1, 0, 0, 0), k, false);
  EXPECT_EQ(small.imageFromMemoryCacheForKey("a"), nullptr);
  EXPECT_NE(small.imageFromMemoryCacheForKey("c"), nullptr);
  small.removeImageForKey("c");
  EXPECT_EQ(small.imageFromCacheForKey("c"), nullptr);
}

TEST_F(ImageManagerTest, JsonKindsAndViewClasses) {
  struct Case {
    Json json;
    bool image, text, icon, skip;
    std::string view;
  };
  const std::vector<Case> cases = {
      {Json::object(), false, true, false, false, "NSTextView"},
      {Json{{"web_image", "w"}, {"custom_view", "FileView"}}, true, false, true, false, "FileView"},
      {Json{{"file", "f"}, {"system", "PermissionView"}, {"custom_view", "FileView"}}, false, false, true,
       true, "PermissionView"},
      {Json{{"app", true}}, false, false, true, true, "NSTextView"},
      {Json{{"search", "1"}}, false, true, true, false, "NSTextView"},
      {Json{{"custom_view", 3}}, false, true, false, false, "NSTextView"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IndexHelper::isImage(c.json), c.image) << c.json;
    EXPECT_EQ(IndexHelper::isText(c.json), c.text) << c.json;
    EXPECT_EQ(IndexHelper::needShowIcon(c.json), c.icon) << c.json;
    EXPECT_EQ(JsonDataHelper::skipSync(c.json), c.skip) << c.json;
    EXPECT_EQ(JsonDataHelper::getViewCls(c.json), c.view) << c.json;
  }
  EXPECT_EQ(JsonDataHelper::getViewCls(std::nullopt), "NSTextView");
  EXPECT_EQ(JsonDataHelper::getImagePath(Json{{"image_relative", "r"}, {"web_image", "w"}}), "w");
}

}  // namespace
}  // namespace vl
