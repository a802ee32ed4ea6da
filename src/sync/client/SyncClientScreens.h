#pragma once

#include <functional>
#include <string>

#include "sync/store/ClientSyncNetworkBean.h"

namespace vl {

// What the joined device's sync layer asks of the sync screens (the sync bar, its alerts and panels),
// which sit above this folder. The screens install them once (SyncNetworkClientWrapper::setScreens);
// every member may stay empty and then has the default given, which works without any window (tests,
// a program without the screens). Every member is called on the main thread only.
//
// What each outcome of the joined side looks like from the screens:
//   joined          JoinDataSyncStore::setCurrentJoin renews the session; sessionStateChanged reports
//                   FirstSync, then Polling once the first reply merged.
//   wrong password  (401, 412) reenterPassword with the network being joined.
//   closed by the   (600, 500, or a failed request) closeSyncBar, then showAlert with the reason.
//   serving device
//   serving device  (two probes failed) showAlert with "data.sync.network.serverWillClose"; its OK runs
//   unreachable     closeSyncBarOnlyOnUI, invalidates the session, closes the client and posts
//                   "kNotificationSyncNetworkClose".
//   device limit    (602) the network is marked, the session leaves one-sidedly,
//                   "kNotificationSyncNetworkRefreshJoin" is posted and showAlert says
//                   "data.sync.reachedUpLimit".
//   left            sessionStateChanged(None), whoever ended the session.
// The number of devices in a network is known to the serving device only (its sync bar reloads through
// SyncWindowHooks::reloadSyncBar); the joined side has no count to show.
struct SyncClientScreens {
  enum class SessionState { None, FirstSync, Polling };

  // SyncBar2::on. Default: whether a client session is current.
  std::function<bool()> isSyncBarOn;
  // SyncBar2::close, which for a joined device says goodbye (ClientSession::bye). Default: that bye.
  std::function<void()> closeSyncBar;
  // SyncBar2::closeOnlyOnUI. Default: nothing.
  std::function<void()> closeSyncBarOnlyOnUI;
  // Whether an alert is shown over the main view. Default: false.
  std::function<bool()> isAlertShown;
  // An alert over the main view titled `message`; its OK runs `ok` and then dismisses the alert.
  // Default: the message is logged and `ok` runs at once.
  std::function<void(const std::string& message, std::function<void()> ok)> showAlert;
  // The password must be entered again for `network` (JoinDataSyncStore::attempJoin): when a panel is
  // shown over the main view it is dismissed and, once gone, "vellisto_panel_syncpasswd" shows for the
  // network; with no panel shown nothing shows. Called only while a network is being joined.
  // Default: nothing.
  std::function<void(const ClientSyncNetworkBean& network)> reenterPassword;
  // The session was renewed, made its first merge, or ended. Default: nothing.
  std::function<void(SessionState state)> sessionStateChanged;
};

}  // namespace vl
