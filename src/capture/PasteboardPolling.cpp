#include "capture/PasteboardPolling.h"

#include "core/notify/VLNotificationCenter.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Mutex.h"

namespace vl {

namespace {

struct Gate {
  Mutex mutex;
  std::function<bool()> gate VL_GUARDED_BY(mutex);
  // Changes that came before anyone listened (start-up): read once the listener installs its gate.
  std::vector<std::function<void()>> waiting VL_GUARDED_BY(mutex);
};

Gate& readGate() {
  static Gate* gate = new Gate();  // asked from the reading queue until the process ends
  return *gate;
}

}  // namespace

PasteboardPolling& PasteboardPolling::shared() {
  static PasteboardPolling* instance = new PasteboardPolling();  // watches until the process ends
  return *instance;
}

std::shared_ptr<dispatch::Queue> PasteboardPolling::pasteboardDealingQueue() {
  static std::shared_ptr<dispatch::Queue>* queue =
      new std::shared_ptr<dispatch::Queue>(dispatch::Queue::serial(kDealingQueueLabel));
  return *queue;
}

std::shared_ptr<dispatch::Queue> PasteboardPolling::pasteboardReadingQueue() {
  static std::shared_ptr<dispatch::Queue>* queue =
      new std::shared_ptr<dispatch::Queue>(dispatch::Queue::serial(kReadingQueueLabel));
  return *queue;
}

void PasteboardPolling::setReadGate(std::function<bool()> gate) {
  std::vector<std::function<void()>> waiting;
  {
    Gate& installed = readGate();
    MutexLock lock(installed.mutex);
    installed.gate = std::move(gate);
    if (installed.gate) waiting.swap(installed.waiting);
  }
  for (const auto& readAgain : waiting) readAgain();
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

void PasteboardPolling::State::read(long long count) {
  // Taken as seen already: the program's own write after commit(), or a change read before.
  if (count <= changeCount.load()) return;
  std::shared_ptr<Pasteboard> pasteboard = generalBoard();
  auto change = std::make_shared<Change>();
  change->changeCount = count;
  Gate& installed = readGate();
  std::function<bool()> gate;
  {
    MutexLock lock(installed.mutex);
    gate = installed.gate;
  }
  if (!gate) {
    // Nobody listens yet (start-up): the change is read once the listener is there, if its owner still
    // offers it then.
    MutexLock lock(installed.mutex);
    if (installed.gate) {
      pasteboardReadingQueue()->async([self = shared_from_this(), count] { self->read(count); });
    } else {
      installed.waiting.push_back([weak = weak_from_this(), count] {
        pasteboardReadingQueue()->async([weak, count] {
          if (auto state = weak.lock()) state->read(count);
        });
      });
    }
    return;
  }
  if (pasteboard->changeCount() > count) {
    // Another copy replaced it before its turn came: its owner no longer offers it.
    logDebugf("capture: change %lld was replaced before it could be read", count);
    change->replaced = true;
  } else if (gate()) {
    // Asked before anything is read: a copy from a blocked application is never in our memory.
    change->blocked = true;
  } else {
    change->items = pasteboard->items();
  }
  changeCount.store(count);
  pasteboardDealingQueue()->async([change] {
    VLNotificationCenter::postNotificationName(kPasteboardDidChange, nullptr, nullptr,
                                               {{kChangeKey, std::shared_ptr<const Change>(change)}});
  });
}

PasteboardPolling::PasteboardPolling(std::shared_ptr<Pasteboard> board) : state_(std::make_shared<State>()) {
  state_->board = std::move(board);
  state_->commit();
  startPolling();
}

PasteboardPolling::~PasteboardPolling() {
  if (gcdTimer_) gcdTimer_->cancel();
  if (state_->eventDriven.load()) state_->generalBoard()->observeChanges(nullptr);
}

void PasteboardPolling::startPolling() {
  if (state_->eventDriven.load() || (gcdTimer_ && !gcdTimer_->isCancelled())) return;
  std::weak_ptr<State> weak = state_;
  const bool events = state_->generalBoard()->observeChanges([weak](long long count) {
    // On the pasteboard's own thread, which must not wait: the read happens on the reading queue.
    pasteboardReadingQueue()->async([weak, count] {
      if (auto state = weak.lock()) state->read(count);
    });
  });
  if (events) {
    state_->eventDriven.store(true);
    log("capture: the clipboard tells of each change; nothing polls it");
    return;
  }
  log("capture: the clipboard cannot tell of its changes; it is polled every 100 ms");
  gcdTimer_ = dispatch::TimerSource::create(dispatch::Queue::global());
  gcdTimer_->schedule(kIntervalMs, kIntervalMs, kIntervalMs);
  gcdTimer_->setHandler([weak] {
    if (auto state = weak.lock()) state->fire();
  });
  gcdTimer_->resume();
}

bool PasteboardPolling::newPaste() { return state_->newPaste(); }

void PasteboardPolling::commit() { state_->commit(); }

bool PasteboardPolling::isEventDriven() const { return state_->eventDriven.load(); }

long long PasteboardPolling::changeCount() const { return state_->changeCount.load(); }

std::shared_ptr<Pasteboard> PasteboardPolling::generalBoard() { return state_->generalBoard(); }

}  // namespace vl
