#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "sim/PtyUnitServer.h"
#include "sim/SimulatedUnit.h"

namespace qel::sim {

// A simulated unit served on a pseudo-terminal from a thread of its own, so that a program can
// talk to it through its real serial path while its own thread runs its user interface. The
// unit belongs to the thread once Start succeeded: other threads reach it only through the
// server's calls that allow any thread (holding a key, listing the stored keys).
class PtyUnitThread {
 public:
  explicit PtyUnitThread(std::unique_ptr<SimulatedUnit> unit);
  ~PtyUnitThread();
  PtyUnitThread(const PtyUnitThread&) = delete;
  PtyUnitThread& operator=(const PtyUnitThread&) = delete;

  // What the server is to present at the reader, and the calls that allow any thread.
  PtyUnitServer& server() { return server_; }
  // Opens the pseudo-terminal and starts serving; false (with LastError) when it cannot.
  bool Start();
  void Stop();
  const std::string& SlavePath() const { return server_.SlavePath(); }
  const std::string& LastError() const { return server_.LastError(); }

 private:
  std::unique_ptr<SimulatedUnit> unit_;
  PtyUnitServer server_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace qel::sim
