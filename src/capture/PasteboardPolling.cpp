#include "capture/PasteboardPolling.h"

#include "core/VLNotificationCenter.h"

namespace vl {

PasteboardPolling& PasteboardPolling::shared() {
  static PasteboardPolling* instance = new PasteboardPolling();  // polls until the process ends
  return *instance;
}

std::shared_ptr<dispatch::Queue> PasteboardPolling::pasteboardDealingQueue() {
  static std::shared_ptr<dispatch::Queue>* queue =
      new std::shared_ptr<dispatch::Queue>(dispatch::Queue::serial(kDealingQueueLabel));
  return *queue;
}

std::shared_ptr<Pasteboard> PasteboardPolling::State::generalBoard() {
  if (!board) board = Pasteboard::general();
  return board;
}

bool PasteboardPolling::State::newPaste() { return generalBoard()->changeCount() != changeCount.load(); }

void PasteboardPolling::State::commit() { changeCount.store(generalBoard()->changeCount()); }

void PasteboardPolling::State::fire() {
  if (!newPaste()) return;
  pasteboardDealingQueue()->async([] { VLNotificationCenter::postNotificationName(kPasteboardDidChange); });
  commit();
}

PasteboardPolling::PasteboardPolling(std::shared_ptr<Pasteboard> board) : state_(std::make_shared<State>()) {
  state_->board = std::move(board);
  state_->commit();
  startPolling();
}

PasteboardPolling::~PasteboardPolling() {
  if (gcdTimer_) gcdTimer_->cancel();
}

void PasteboardPolling::startPolling() {
  if (gcdTimer_ && !gcdTimer_->isCancelled()) return;
  gcdTimer_ = dispatch::TimerSource::create(dispatch::Queue::global());
  gcdTimer_->schedule(kIntervalMs, kIntervalMs, kIntervalMs);
  // Fetched here, before the first fire, so the handler on the global queue only ever reads it.
  state_->generalBoard();
  std::weak_ptr<State> weak = state_;
  gcdTimer_->setHandler([weak] {
    if (auto state = weak.lock()) state->fire();
  });
  gcdTimer_->resume();
}

bool PasteboardPolling::newPaste() { return state_->newPaste(); }

void PasteboardPolling::commit() { state_->commit(); }

long long PasteboardPolling::changeCount() const { return state_->changeCount.load(); }

std::shared_ptr<Pasteboard> PasteboardPolling::generalBoard() { return state_->generalBoard(); }

}  // namespace vl
