#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/Mutex.h"

namespace vl {

// The sync port's door. Anyone on the LAN can open a TCP connection to it, and each open connection
// holds a file descriptor of this program; so the gate, not the gRPC server, listens and accepts, keeps
// at most Options::maxConnections open, closes connections that made no admitted call for a while,
// and hands every connection it keeps to the gRPC server.
//
// "Admitted" is the server's word on each call (a right password, a known token); the gate only hears
// it through noteCall(). A connection that has not been admitted for untrustedIdleMs is closed, one
// that was admitted once gets trustedIdleMs. When the gate is full, a new connection pushes out the
// oldest one that was never admitted; when every one was, the new one is closed at once.
//
// gRPC names a connection handed over this way "fd:<n>"; addressOf() gives its address in gRPC's
// own form ("ipv4:10.0.0.7:5301"), for what limits attempts per address.
//
// The gate keeps a duplicate of each connection's descriptor, so that it can shut the connection down
// while gRPC still holds it, and notices from the descriptor gRPC was given that gRPC let it go. One
// thread polls the listening socket and sweeps the connections every sweepMs; the lock guards the table
// and is a leaf.
//
// gRPC starts reading a connection inside the call that takes it, and a peer that keeps sending can keep
// that call busy until the connection closes: so the gate's thread only queues each connection it keeps,
// and hand-over threads give them to gRPC, one more whenever a connection would wait (never more than
// the table holds connections; a few stay waiting for the next). Accepting and sweeping never wait for
// gRPC, and a connection still queued or inside a slow hand-over is swept like any other, which ends
// that hand-over. The queue's lock is a leaf too; neither lock is held while gRPC is called. stop()
// joins every hand-over thread, so nothing the hand-over uses is touched after it.
class ConnectionGate {
 public:
  struct Options {
    std::size_t maxConnections = 32;
    double untrustedIdleMs = 5000;
    double trustedIdleMs = 120000;
    double sweepMs = 250;
    // A device needs a few connections (a poll, a push, an image each way); more of them admitted would
    // let one device hold the whole gate against the others.
    std::size_t admittedPerDevice = 4;
    // Runs before each hand-over thread is made; a throw of std::system_error stands for a thread the
    // system refuses. For tests.
    std::function<void()> handoverThreadStarting;
  };
  // Takes the connection; from then on gRPC owns the descriptor. It may not return for a long while.
  using Handover = std::function<void(int fd)>;

  explicit ConnectionGate(Options options);
  ~ConnectionGate();
  ConnectionGate(const ConnectionGate&) = delete;
  ConnectionGate& operator=(const ConnectionGate&) = delete;

  // Binds `ip` (IPv4 or IPv6, numeric) and `port` (0: a free one) and listens. False, logged, when it
  // can't; a second program on the same port is refused (no port sharing).
  [[nodiscard]] bool listen(const std::string& ip, int port);
  int port() const { return port_; }
  // Starts accepting; every connection kept goes to `handover` on a hand-over thread.
  void start(Handover handover);
  // Stops accepting, closes the connections still queued and lets go of the gate's duplicates;
  // connections already handed over stay with gRPC, which closes them when it shuts down. No hand-over
  // starts once stop() began; one that has not returned within half a second has its connection shut
  // down, which ends it, and stop() returns once every hand-over thread has ended.
  void stop();

  // Hand-over threads kept waiting for the next connection.
  static constexpr std::size_t kIdleHandoverThreads = 2;

  // The connection a call came on. gRPC names it by a descriptor number only, and the number is used
  // again once gRPC lets it go: so a call takes its caller when it arrives, while its connection
  // surely holds the number, and speaks for that connection alone afterwards.
  struct Caller {
    int fd = -1;
    ino_t inode = 0;
    // In gRPC's form; the peer's own name when the gate does not know the connection.
    std::string address;
    // Taken by answering(): the connection is not swept until noteCall() for it.
    bool answering = false;
  };
  Caller caller(const std::string& peer);
  // The same, for a call whose request came in whole and that a handler of ours now answers: a slow
  // answer (the docs still loading after an unclean exit) is no stranger's idling, so the connection is
  // not swept under it, and a stranger's first answer gets a moment to go out. Every answering() is
  // followed by one noteCall() with its caller. A stream still being received takes caller() instead:
  // a peer could hold that open at will.
  Caller answering(const std::string& peer);
  // A call of `caller` was answered; `admitted` when it proved the caller, who is `device` (its token)
  // when known. Nothing when the caller's connection is gone, whatever holds its number now. A
  // connection beyond the device's admittedPerDevice stays unadmitted: it is closed like a stranger's.
  void noteCall(const Caller& caller, bool admitted, const std::string& device = {});
  void noteCall(const std::string& peer, bool admitted) { noteCall(caller(peer), admitted); }
  std::string addressOf(const std::string& peer) { return caller(peer).address; }
  // Connections handed over and not yet let go of by gRPC.
  std::size_t openConnections();

 private:
  using Time = std::chrono::steady_clock::time_point;
  struct Connection {
    int copy = -1;  // the gate's duplicate
    ino_t inode = 0;
    std::string address;
    // Who the connection was admitted for.
    std::string device;
    Time lastAdmitted;
    bool everAdmitted = false;
    bool closing = false;
    // Calls our handlers are answering on it, and whether a stranger's answer was given its moment.
    std::size_t answering = 0;
    bool answerGraceGiven = false;
  };

  // What the gate's thread and the hand-over threads share.
  struct Handovers {
    Mutex mutex;
    ConditionVariable changed;
    Handover handover;
    std::deque<int> waiting VL_GUARDED_BY(mutex);
    bool stopping VL_GUARDED_BY(mutex) = false;
    // Threads started and not yet ended, those of them waiting, and how many may run.
    std::size_t running VL_GUARDED_BY(mutex) = 0;
    std::size_t idle VL_GUARDED_BY(mutex) = 0;
    std::size_t most = 0;
    // The connections inside a hand-over now, by number.
    std::set<int> inside VL_GUARDED_BY(mutex);
    // Threads that have ended and wait to be joined.
    std::vector<std::thread::id> ended VL_GUARDED_BY(mutex);
    // The last thread asked for was refused; the next refusal is not logged again.
    bool refused VL_GUARDED_BY(mutex) = false;
  };

  void run();
  // On the gate's thread: queues the connection, and starts a hand-over thread when none waits for it.
  void queueHandover(int fd);
  // Starts a hand-over thread when a queued connection would wait; false when the system refused one.
  bool startHandoverLocked() VL_REQUIRES(handovers_.mutex);
  // On the gate's thread, each round: joins the hand-over threads that ended, asks again for a thread a
  // queued connection still lacks, and closes queued connections the sweep has given up on, as no
  // hand-over would take them in time.
  void tendHandovers(Time now);
  void handOver();
  // False when accepting must pause (the process is out of descriptors or memory).
  bool accept(Time now);
  // A line about a connection, at most one a second: a flood of connections is not a flood of lines. The
  // next line written counts those left out since the one before, however long ago that was.
  void report(Time now, const std::string& line) VL_REQUIRES(mutex_);
  // Lock held. Drops connections gRPC let go of, shuts down those idle past their limit.
  void sweepLocked(Time now) VL_REQUIRES(mutex_);
  // Lock held. Shuts down the oldest connection never admitted; false when there is none.
  bool pushOutOldestLocked(Time now) VL_REQUIRES(mutex_);
  Caller callerOf(const std::string& peer, bool answering);
  static bool stillHeld(int fd, ino_t inode);
  static int fdOfPeer(const std::string& peer);

  const Options options_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  int port_ = 0;
  Handovers handovers_;
  // The hand-over threads not yet joined: the gate's thread adds and joins them, and stop() once that
  // thread has ended.
  std::list<std::thread> handoverThreads_;
  std::thread thread_;
  Mutex mutex_;
  // By the descriptor number gRPC was given.
  std::map<int, Connection> connections_ VL_GUARDED_BY(mutex_);
  Time lastReport_ VL_GUARDED_BY(mutex_);
  std::size_t unreported_ VL_GUARDED_BY(mutex_) = 0;
};

}  // namespace vl
