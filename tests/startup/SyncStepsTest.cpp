#include <gtest/gtest.h>

#include "Windows/Main/list/RowServices.h"
#include "Windows/Sync/SyncClientLink.h"
#include "Windows/Sync/SyncScreens.h"
#include "platform/dispatch/Dispatch.h"
#include "startup/SyncSteps.h"
#include "sync/SyncWindowHooks.h"
#include "sync/client/ClientSession.h"
#include "sync/store/JoinDataSyncStore.h"
#include "sync/transfer/FileTransferCenter.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/PanelTypes.h"

namespace vl::test {
namespace {

// The assembled program fills the seams sync declares towards the windows.
TEST(SyncSteps, RowsAndThePreviewFollowAnImageStillArriving) {
  StartupHooks hooks;
  installSyncSteps(hooks);
  EXPECT_TRUE(hooks.saveCreatedDataSyncNetworks);
  ASSERT_TRUE(RowServices::looksForTransfers());

  FileTransferCenter& center = FileTransferCenter::defaultCenter();
  center.resetForTesting();
  EXPECT_EQ(RowServices::transferOf("SIG"), nullptr);
  center.registerChunkSig("SIG");
  // A row and the preview each hold their own, so neither's blocks replace the other's.
  std::shared_ptr<RowTransfer> row = RowServices::transferOf("SIG");
  std::shared_ptr<RowTransfer> preview = RowServices::transferOf("SIG");
  ASSERT_NE(row, nullptr);
  ASSERT_NE(row, preview);
  int progressed = 0, ended = 0;
  row->onProgress = [&] { ++progressed; };
  row->onEnd = [&] { ++ended; };
  preview->onEnd = [&] { ++ended; };

  EXPECT_TRUE(center.appendSlice("SIG", 2, "first half"));
  dispatch::MainLoop::runUntilIdle();
  EXPECT_DOUBLE_EQ(row->fraction, 0.5);
  EXPECT_EQ(progressed, 2);  // the total, then the slice
  // A transfer looked up midway starts from where it is.
  EXPECT_DOUBLE_EQ(RowServices::transferOf("SIG")->fraction, 0.5);

  center.abandon("SIG");
  dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(ended, 2);

  // Ended but still registered for a moment (the registry lets go after the end is posted): a row
  // that looks now shows the record, instead of waiting for an end it already missed.
  center.registerChunkSig("SIG2");
  center.getEntity("SIG2")->cancel("the stream broke");
  EXPECT_NE(center.getEntity("SIG2"), nullptr);
  EXPECT_EQ(RowServices::transferOf("SIG2"), nullptr);

  RowServices::setTransferLookup(nullptr);
  SyncWindowHooks::reset();
  center.resetForTesting();
}

// A join renews the client session, and quitting leaves it. (The session itself, which talks gRPC, is
// tested with the sync suite: Debian's gRPC is not built for the thread sanitizer this suite runs under.)
TEST(SyncSteps, AJoinRenewsTheSessionAndTheQuitSaysGoodbye) {
  StartupHooks hooks;
  installSyncSteps(hooks);
  EXPECT_TRUE(JoinDataSyncStore::hasSessionRenewer());
  ASSERT_TRUE(hooks.sayGoodbyeIfJoined);
  // Not joined: nothing to say, and nothing waits.
  ASSERT_EQ(ClientSession::currentSession(), nullptr);
  hooks.sayGoodbyeIfJoined();

  ClientSession::uninstallHooks();
  EXPECT_FALSE(JoinDataSyncStore::hasSessionRenewer());
}

// The sync screens fill what the panels and the serving handlers declare for the sync bar.
TEST(SyncSteps, ThePanelStepPutsTheSyncScreensIn) {
  StartupHooks hooks;
  installSyncSteps(hooks);
  ASSERT_TRUE(hooks.registerPanels);
  EXPECT_TRUE(hooks.sayGoodbyeIfJoined);
  hooks.registerPanels();
  EXPECT_NE(PanelCenter::shared().panelForKey(kPanelDataSync), nullptr);
  EXPECT_NE(PanelCenter::shared().panelForKey(kPanelSyncDevices), nullptr);
  const IFConfig::SyncBarHooks bar = SyncScreens::syncBarHooks();
  ASSERT_TRUE(bar.isSyncBarOn);
  EXPECT_FALSE(bar.isSyncBarOn());

  SyncScreens::resetForTesting();
  PanelCenter::shared().resetForTesting();
  RowServices::setTransferLookup(nullptr);
  SyncWindowHooks::reset();
}

}  // namespace
}  // namespace vl::test
