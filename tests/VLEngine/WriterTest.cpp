#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DocTestSupport.h"
#include "VLEngine/doc/bigdoc/Vellisto_Writer.h"
#include "platform/foundation/Files.h"

namespace vl {
namespace {

using test::LogCapture;
using test::TempFolder;

TEST(WriterTest, PromotesTemporaryDocsOverTheirDocs) {
  TempFolder store;
  TempFolder pin;
  ASSERT_TRUE(files::atomicWrite(store / "BigDoc_3", "old"));
  ASSERT_TRUE(files::atomicWrite(store / "BigDoc_3.tmp", "new"));
  ASSERT_TRUE(files::atomicWrite(store / "BigDoc_4", "untouched"));
  ASSERT_TRUE(files::atomicWrite(pin / "BigDoc_0.tmp.tmp", "twice"));
  ASSERT_TRUE(files::createDirectories(pin / "folder.tmp"));

  LogCapture log;
  Vellisto_Writer::shared().setFolderSource([&] {
    return std::vector<std::string>{store.path(), pin.path()};
  });
  Vellisto_Writer::shared().focusWrite();
  Vellisto_Writer::shared().setFolderSource(nullptr);

  EXPECT_TRUE(log.contains("writting..."));
  EXPECT_EQ(files::listDirectory(store.path()).names, (std::vector<std::string>{"BigDoc_3", "BigDoc_4"}));
  EXPECT_EQ(files::readFile(store / "BigDoc_3"), std::optional<std::string>("new"));
  EXPECT_EQ(files::readFile(store / "BigDoc_4"), std::optional<std::string>("untouched"));
  EXPECT_EQ(files::readFile(pin / "BigDoc_0"), std::optional<std::string>("twice"));
  EXPECT_TRUE(files::isDirectory(pin / "folder.tmp"));
  Vellisto_Writer::tmpFileMV(store / "missing");  // a missing folder is nothing to do
}

}  // namespace
}  // namespace vl
