#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "VLEngine/doc/gzip/GzipAppender.h"
#include "VLEngine/doc/gzip/GzipUtility.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

TEST(GzipTest, RoundTripsTinyIncompressibleAndHighlyCompressibleData) {
  std::mt19937 gen(7);
  std::string noise(200000, '\0');
  for (char& c : noise) c = static_cast<char>(gen() & 0xff);
  for (const std::string& input : {std::string("x"), noise, std::string(20 << 20, 'a')}) {
    std::optional<std::string> packed = GzipUtility::gzipData(input);
    ASSERT_TRUE(packed.has_value()) << input.size();
    EXPECT_TRUE(GzipUtility::ungzipData(*packed) == input) << input.size();
  }
  EXPECT_FALSE(GzipUtility::gzipData("").has_value());
  EXPECT_EQ(GzipUtility::ungzipData(""), std::optional<std::string>(""));
}

TEST(GzipTest, OnlyTheFirstMemberCounts) {
  std::string first = *GzipUtility::gzipData("first member");
  std::string second = *GzipUtility::gzipData("second member, longer than the first");
  EXPECT_EQ(GzipUtility::ungzipData(first + second), std::optional<std::string>("first member"));
  EXPECT_EQ(GzipUtility::ungzipReadable(first + second).trailingBytes, second.size());
  EXPECT_EQ(GzipUtility::ungzipReadable(first).trailingBytes, 0u);
}

TEST(GzipTest, InflatingStopsAtTheBound) {
  const std::size_t bound = 1 << 20;
  const std::string bomb = *GzipUtility::gzipData(std::string(16 << 20, '\0'));
  struct Case {
    std::string packed;
    bool complete;
    std::size_t size;
  };
  const std::vector<Case> cases = {
      {bomb, false, bound},
      {*GzipUtility::gzipData(std::string(bound, 'x')), true, bound},
      {*GzipUtility::gzipData(std::string(bound + 1, 'x')), false, bound},
  };
  for (const auto& c : cases) {
    vl::test::LogCapture log;
    GzipUtility::Inflated inflated = GzipUtility::ungzipReadable(c.packed, bound);
    EXPECT_EQ(inflated.complete, c.complete);
    EXPECT_EQ(inflated.data.size(), c.size);
    EXPECT_EQ(log.contains("inflate to more than"), !c.complete);
  }
}

TEST(GzipTest, DamagedStreamsGiveNothingButKeepTheirReadablePrefix) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i * 7919 % 10007) + "\n";
  const std::string packed = *GzipUtility::gzipData(text);

  const std::string cut = packed.substr(0, packed.size() / 2);
  EXPECT_FALSE(GzipUtility::ungzipData(cut).has_value());
  GzipUtility::Inflated partial = GzipUtility::ungzipReadable(cut);
  EXPECT_FALSE(partial.complete);
  EXPECT_GT(partial.data.size(), 0u);
  EXPECT_EQ(text.compare(0, partial.data.size(), partial.data), 0);

  std::string badCheck = packed;
  badCheck[badCheck.size() - 6] ^= 0x55;  // inside the CRC
  EXPECT_FALSE(GzipUtility::ungzipData(badCheck).has_value());
  EXPECT_EQ(GzipUtility::ungzipReadable(badCheck).data, text);

  GzipUtility::Inflated foreign = GzipUtility::ungzipReadable("plain text, never compressed");
  EXPECT_FALSE(foreign.complete);
  EXPECT_TRUE(foreign.data.empty());
}

// A member that grows in parts reads back as the whole text, at about the size of one written at once,
// and each part keeps reading back as the text so far; a part far past the dictionary's reach is fine.
TEST(GzipTest, AGrowingMemberReadsAsTheWholeTextAndCompressesAsWell) {
  std::mt19937 gen(11);
  static const char* const kWords[] = {"copy", "record", "клип", "剪贴板", "history", "paste", "é", "\n"};
  auto words = [&](std::size_t bytes) {
    std::string out;
    while (out.size() < bytes) out += std::string(kWords[gen() % 8]) + " ";
    return out;
  };
  const std::vector<std::string> parts = {words(3000),          "",        words(10), words(100000),
                                          std::string(1, '\0'), words(900)};
  std::optional<GzipAppender> member = GzipAppender::start(parts[0]);
  ASSERT_TRUE(member.has_value());
  std::string text = parts[0];
  for (std::size_t i = 1; i < parts.size(); ++i) {
    ASSERT_TRUE(member->append(parts[i]));
    text += parts[i];
    const GzipUtility::Inflated back = GzipUtility::ungzipReadable(member->member());
    EXPECT_TRUE(back.complete) << i;
    EXPECT_EQ(back.trailingBytes, 0u);
    EXPECT_TRUE(back.data == text) << i;
  }
  EXPECT_EQ(member->textLength(), text.size());
  EXPECT_LT(member->member().size(), GzipUtility::gzipData(text)->size() * 102 / 100 + 64);
  EXPECT_FALSE(GzipAppender::start("").has_value());
}

}  // namespace
}  // namespace vl
