#include "Windows/Sync/CreateOrJoinSyncNetworkController.h"

#include "Windows/Sync/CreateSyncNetworkController.h"
#include "Windows/Sync/SyncBar2.h"
#include "Windows/Sync/SyncClientLink.h"
#include "Windows/Sync/SyncLook.h"
#include "Windows/Sync/SyncNetworkPicture.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/ui/text/Font.h"
#include "sync/discovery/Bluetooth.h"
#include "sync/discovery/PeripheralRole.h"
#include "sync/server/SyncNetworkServerWrapper.h"
#include "sync/store/CreatedDataSyncStore.h"
#include "sync/store/JoinDataSyncStore.h"
#include "theme/VLThemeCategories.h"
#include "ui/Line.h"
#include "ui/navigation/ModalNavigationController.h"

namespace vl {

namespace {

CreateOrJoinSyncNetworkController::JoinPageFactory& joinPageFactory() {
  static CreateOrJoinSyncNetworkController::JoinPageFactory factory;
  return factory;
}

}  // namespace

void CreateOrJoinSyncNetworkController::setJoinPageFactory(JoinPageFactory factory) {
  joinPageFactory() = std::move(factory);
}

bool CreateOrJoinSyncNetworkController::hasJoinPageFactory() { return static_cast<bool>(joinPageFactory()); }

std::shared_ptr<ui::View> CreateOrJoinSyncNetworkController::rightItem() {
  if (!rightItem_) rightItem_ = makeSyncActionButton("next", shared_from_this(), "next:");
  return rightItem_;
}

void CreateOrJoinSyncNetworkController::viewDidLoad() {
  ModalViewController::viewDidLoad();
  // The navigation loads its root page at every presentation; the tiles are made once and keep their
  // choice from one showing to the next.
  if (loaded_) return;
  loaded_ = true;
  setTitle(localized("data.sync.createOrJoin"));
  setActionHandler("next:", [this](ui::ActionTarget*) { next(); });
  const double w = view()->frame().width();
  const int width = static_cast<int>(w);
  view()->addSubview(Line::ofWidth(width, ui::Point{0, 280}));
  // Above the choices, what both of them are about.
  const double top = view()->frame().height();
  if (top > 281) view()->addSubview(SyncNetworkPicture::create({0, 281, w, top - 281}));
  view()->addSubview(Line::ofWidth(width, ui::Point{0, 150}));
  view()->addSubview(Line::ofHeight(130, ui::Point{w / 2, 150}));

  createNetwork_ = ExplainButton::create({0, 150, w / 2, 130});
  createNetwork_->setTitle(localized("data.sync.createSyncNetwork"));
  createNetwork_->setDesc(localized("data.sync.createSyncNetwork.desc"));
  createNetwork_->setExplainButtonDelegate(this);
  joinNetwork_ = ExplainButton::create({w / 2, 150, w / 2, 130});
  joinNetwork_->setTitle(localized("data.sync.joinSyncNetwork"));
  joinNetwork_->setDesc(localized("data.sync.joinSyncNetwork.desc"));
  joinNetwork_->setExplainButtonDelegate(this);
  view()->addSubview(createNetwork_);
  view()->addSubview(joinNetwork_);

  // Inset at both ends, so the second line does not run past the panel's edge.
  tips_ = PassthroughTextView::create({10, joinNetwork_->frame().origin.y - 45, w - 20, 35});
  tips_->setEditable(false);
  tips_->setSelectable(false);
  tips_->setMaximumNumberOfLines(2);
  tips_->setFont(ui::Font::systemFont(12));
  tips_->setDrawsBackground(false);
  tips_->setAlignment(ui::TextAlignment::Left);
  setTextColorAssetKey(*tips_, "fontNormalColor");
  tips_->setString(localized("data.sync.createOrJoin.tips"));
  view()->addSubview(tips_);

  createNetwork_->setSelected(true);
  joinNetwork_->setSelected(false);
}

void CreateOrJoinSyncNetworkController::didClickLeftItem() { SyncBar2::shared()->close(); }

void CreateOrJoinSyncNetworkController::explainButtonDidClick(ExplainButton& tile) {
  const bool create = &tile == createNetwork_.get();
  createNetwork_->setSelected(create);
  std::weak_ptr<ExplainButton> join = joinNetwork_;
  dispatch::Queue::main()->async([join, create] {
    if (auto j = join.lock()) j->setSelected(!create);
  });
}

void CreateOrJoinSyncNetworkController::next() {
  // The address is taken when Next is pressed, the radio's state when Bluetooth answers.
  const bool hasAddress = syncLocalAddress().has_value();
  std::weak_ptr<CreateOrJoinSyncNetworkController> weak =
      std::static_pointer_cast<CreateOrJoinSyncNetworkController>(shared_from_this());
  Bluetooth::shared().checkState([weak, hasAddress](bool poweredOn) {
    if (auto page = weak.lock()) page->proceed(poweredOn, hasAddress);
  });
}

void CreateOrJoinSyncNetworkController::proceed(bool poweredOn, bool hasAddress) {
  if (!poweredOn || !hasAddress) {
    simpleAlert(localized(!poweredOn && hasAddress ? "data.sync.alert.bluetoothNotOn"
                          : poweredOn && !hasAddress
                              ? "data.sync.alert.NotJoinLocalNetwork"
                              : "data.sync.alert.bluetoothNotOnAndNotJoinLocalNetwork"));
    return;
  }
  ModalNavigationController* navigation = navigationController();
  if (!navigation) return;
  if (createNetwork_->selected()) {
    JoinDataSyncStore& joined = JoinDataSyncStore::shared();
    if (joined.currentJoin()) {
      joined.restoreCanNotAutoJoinByLimitReachedFlag();
      SyncClientLink::current().bye();
    }
    navigation->pushModalViewController(ModalViewController::make<CreateSyncNetworkController>());
    return;
  }
  CreatedDataSyncStore& created = CreatedDataSyncStore::shared();
  if (CreatedDataSyncStore::Network served = created.currentProvider()) {
    PeripheralRole::shared().stopProvide();
    SyncNetworkServerWrapper::shared().close();
    served->cleanConnectedStatus();
    created.setCurrentProvider(nullptr);
  }
  const JoinPageFactory& factory = joinPageFactory();
  if (!factory) {
    logWarning("sync: joining a network is not offered by this build");
    return;
  }
  navigation->pushModalViewController(factory());
}

}  // namespace vl
