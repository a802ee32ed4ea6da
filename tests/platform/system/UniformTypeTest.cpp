#include <gtest/gtest.h>

#include "platform/system/UniformType.h"

namespace vl {
namespace {

TEST(UniformTypeTest, ExtensionsMapToTypes) {
  EXPECT_EQ(uti::preferredIdentifierForExtension("png"), uti::kPNG);
  EXPECT_EQ(uti::preferredIdentifierForExtension("PNG"), uti::kPNG);
  EXPECT_EQ(uti::preferredIdentifierForExtension("JpEg"), uti::kJPEG);
  EXPECT_EQ(uti::preferredIdentifierForExtension("txt"), uti::kPlainText);
  EXPECT_EQ(uti::preferredIdentifierForExtension("Xyz"), "dyn.xyz");
  EXPECT_EQ(uti::preferredIdentifierForExtension(""), uti::kData);
}

TEST(UniformTypeTest, ConformanceFollowsTheParents) {
  struct Case {
    const char* type;
    const char* parent;
    bool conforms;
  };
  const Case cases[] = {
      {uti::kPNG, uti::kImage, true},
      {uti::kJPEG, uti::kImage, true},
      {"public.svg-image", uti::kImage, true},
      {uti::kImage, uti::kImage, true},
      {uti::kPlainText, uti::kImage, false},
      {uti::kPDF, uti::kImage, false},
      {"dyn.xyz", uti::kImage, false},
      {"dyn.xyz", uti::kData, true},
      {"public.html", "public.text", true},
      {uti::kImage, uti::kPNG, false},
      {"", uti::kData, false},
      {uti::kFolder, uti::kImage, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(uti::conformsTo(c.type, c.parent), c.conforms) << c.type << " -> " << c.parent;
  }
}

}  // namespace
}  // namespace vl
