#include <gtest/gtest.h>

#include "platform/foundation/Files.h"
#include "platform/foundation/Resources.h"
#include "platform/system/desktop/CanberraSoundPlayer.h"
#include "platform/system/headless/HeadlessSoundPlayer.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

TEST(Sound, CopySoundIsShippedAndPlayedQuietly) {
  auto player = std::make_shared<HeadlessSoundPlayer>();
  SoundPlayer::install(player);
  SoundPlayer::shared()->playCopySound();
  SoundPlayer::install(nullptr);
  ASSERT_EQ(player->played().size(), 1u);
  EXPECT_EQ(player->played()[0].first, resourcePath(SoundPlayer::kCopySound));
  EXPECT_DOUBLE_EQ(player->played()[0].second, 0.2);
  EXPECT_EQ(files::readFile(player->played()[0].first).value_or("").substr(0, 4), "RIFF");
}

TEST(Sound, AServerThatCannotPlayIsLoggedOnce) {
  test::LogCapture logs;
  auto player = CanberraSoundPlayer::create("no-such-driver");
  ASSERT_TRUE(player);
  for (int i = 0; i < 3; ++i) player->play(resourcePath(SoundPlayer::kCopySound), 0.2);
  player->playAlert();
  player->waitUntilHandedOver();
  const auto lines = test::LogCapture::take();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("sound:", 0) == 0; }),
            1);
}

}  // namespace
}  // namespace vl
