#pragma once

#include "VLEngine/VLEngine.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "ui/WidgetTestSupport.h"

namespace vl::test {

// Views of records: a store loaded from the private home, and no preview column around the views.
class RecordViewTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    VLEngine::resetForTesting();
    VLEngine::shared().setFolders(home_.path());
    VLEngine::shared().load();
    PreviewColumnHooks::install({});
  }
  void TearDown() override {
    VLEngine::resetForTesting();
    WidgetTest::TearDown();
  }
};

}  // namespace vl::test
