// Records shown in the main window while other threads change them. Run under ThreadSanitizer with the
// threaded suites.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/image/ImageViewLoading.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/RecordViewTestSupport.h"
#include "Windows/Main/list/HintTableRowView.h"
#include "Windows/Main/preview/FileView.h"
#include "platform/dispatch/Dispatch.h"
#include "theme/VLFont.h"

namespace vl {
namespace {

class RecordChangeRaceTest : public test::RecordViewTest {
 protected:
  void TearDown() override {
    ImageViewLoading::waitForPendingDecodes();
    dispatch::MainLoop::runUntilIdle();
    test::RecordViewTest::TearDown();
  }
};

// The preview column's file view and the list's rows read their records on the main thread while the
// image download queue adds the downloaded image to the same records' json and a sync transfer names
// its stored copy and moves their time stamps: every read sees each field whole, and no change is lost.
TEST_F(RecordChangeRaceTest, PreviewAndRowsReadRecordsThatDownloadsAndSyncChange) {
  constexpr int kRecords = 3;
  constexpr int kRounds = 60;
  VLEngine& engine = VLEngine::shared();
  const std::string image = home_ / "shot.png";
  std::ofstream(image, std::ios::binary) << "not decoded here";
  std::vector<std::string> texts;
  std::vector<std::shared_ptr<Vellisto_Chunk>> records;
  std::vector<std::shared_ptr<HintTableRowView>> rows;
  std::vector<double> appended;
  const Json json{{"image", image}, {"custom_view", "FileView"}};
  for (int i = 0; i < kRecords; ++i) {
    texts.push_back("shot " + std::to_string(i));
    records.push_back(engine.append(texts.back(), std::nullopt, json, kClipboardPinTabId));
    ASSERT_NE(records.back(), nullptr);
    appended.push_back(records.back()->timestampValue());
    auto text = DisplayAttributedString::resultRow(texts.back(), std::vector<Range>{}, VLFont::mainFont());
    text->setJson(json);
    rows.push_back(HintTableRowView::create(nullptr));
    rows.back()->setText(text);
  }
  auto preview = FileView::create({0, 0, CustomView::kWidth, CustomView::kHeight});

  std::atomic<int> running{2};
  std::thread download([&] {
    for (int round = 0; round < kRounds; ++round) {
      for (const auto& record : records)
        engine.addToJsonOfRecords(record->sig(), {{"web_image", "/web/" + std::to_string(round) + ".png"}});
    }
    --running;
  });
  // As a finished image transfer names the stored copy, and a merge moves the time stamp.
  std::thread sync([&] {
    for (int round = 0; round < kRounds; ++round) {
      for (const auto& record : records) {
        engine.addToJsonOfRecords(record->sig(),
                                  {{"forever_image", "/forever/" + std::to_string(round) + ".png"}});
        record->updateTimestamp(std::to_string(1.8e9 + round));
      }
    }
    --running;
  });
  while (running.load() > 0) {
    for (int i = 0; i < kRecords; ++i) {
      preview->setJsonData(json, texts[i]);
      rows[i]->refresh();
      // What the detail view and the row menus read.
      EXPECT_TRUE(records[i]->json().has_value());
      const double stamp = records[i]->timestampValue();
      EXPECT_TRUE(stamp == appended[i] || stamp >= 1.8e9) << stamp;
    }
    dispatch::MainLoop::runUntilIdle();
  }
  download.join();
  sync.join();

  const std::string last = std::to_string(kRounds - 1) + ".png";
  for (const auto& record : records) {
    const std::optional<Json> stored = record->json();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->value("image", ""), image);
    EXPECT_EQ(stored->value("web_image", ""), "/web/" + last);
    EXPECT_EQ(stored->value("forever_image", ""), "/forever/" + last);
    EXPECT_EQ(record->timestamp(), std::to_string(1.8e9 + kRounds - 1));
  }
  // The rows show what the records hold now.
  for (int i = 0; i < kRecords; ++i) {
    rows[i]->refresh();
    EXPECT_EQ(rows[i]->attributedString()->json(), records[i]->json());
  }
}

}  // namespace
}  // namespace vl
