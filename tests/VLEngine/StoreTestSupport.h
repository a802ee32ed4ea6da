#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "core/VLConfig.h"
#include "pins/PinManager.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestSupport.h"

namespace vl::test {

// A private HOME (and XDG folders) per test with a fresh record store and pin manager over it; the pin
// manager is the store's tab directory, as start-up makes it.
class StoreFixture : public ::testing::Test {
 protected:
  static constexpr const char* kClip = kClipboardPinTabId;

  void SetUp() override {
    home_.emplace("vl-store");
    ASSERT_FALSE(home().empty());
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    engine().setTabDirectory(PinManager::tabDirectory());
    VLEngine::resetForTesting();
    engine().setFolders(home());
  }

  void TearDown() override {
    VLEngine::resetForTesting();
    engine().setTabDirectory(nullptr);
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    home_.reset();
  }

  static VLEngine& engine() { return VLEngine::shared(); }
  static PinManager& pins() { return PinManager::shared(); }

  // Start-up order: the store, then the pin tabs, then the clipboard tab active.
  void loadAll() {
    engine().load();
    pins().load();
    pins().activeTabOfId(kClip);
  }

  std::string dataPath() const { return *home_ / ".vellisto/data"; }
  std::string pinPath() const { return *home_ / ".vellisto/pin"; }
  const std::string& home() const { return home_->path(); }

  // A doc file numbered `id` in `folder` holding the texts, written before anything loads it.
  static void writeDoc(const std::string& folder, std::int64_t id, const std::vector<std::string>& texts) {
    ASSERT_TRUE(files::createDirectories(folder));
    auto doc = Vellisto_BigDoc::emptyDoc(id, folder);
    ASSERT_NE(doc, nullptr);
    for (const auto& text : texts)
      doc->appendChunk(Vellisto_Chunk::initWithContext(text, std::nullopt, std::nullopt));
    Vellisto_BigDoc::waitForPendingWrites();
  }

  // Every file below `root` with its bytes, so a test can tell that nothing was touched.
  static std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      const std::string rel = std::filesystem::relative(entry.path(), root).string();
      if (entry.is_directory()) {
        out[rel + "/"] = "";
      } else {
        out[rel] = files::readFile(entry.path().string()).value_or("<unreadable>");
      }
    }
    return out;
  }

  // The texts of a chain, doc by doc from the head.
  static std::vector<std::string> texts(const std::shared_ptr<Vellisto_BigDoc>& head) {
    std::vector<std::string> out;
    for (auto doc = head; doc; doc = doc->next()) {
      for (const auto& chunk : doc->chunks()) {
        if (chunk) out.push_back(chunk->context());
      }
    }
    return out;
  }

  static std::vector<std::int64_t> docIds(const std::shared_ptr<Vellisto_BigDoc>& head) {
    std::vector<std::int64_t> out;
    for (auto doc = head; doc; doc = doc->next()) out.push_back(doc->docId());
    return out;
  }

 private:
  std::optional<vl::test::PrivateHome> home_;
};

}  // namespace vl::test
