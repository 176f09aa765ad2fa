#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/SimulatedUnit.h"

namespace qel::sim {

// One key of the unit's memory, as the program's key list shows it.
struct StoredKey {
  int id;
  KeyCode code;
  std::string keyText;  // UTF-8
  std::string comment;  // UTF-8
};

// Serves a simulated unit in real time on the master side of a pseudo-terminal, so that the
// program (or any terminal program) can open the slave device as if it were the unit's serial
// adapter. Reply bytes that fall due while no one has the slave open are dropped, as on a line
// with nothing at the other end. Serve owns the unit while it runs; the calls that say they may
// come from any thread reach it under the server's lock.
class PtyUnitServer {
 public:
  // The longest the server sleeps before it looks at the stop flag again.
  static constexpr std::chrono::milliseconds kStopCheck{50};

  explicit PtyUnitServer(SimulatedUnit& unit) : unit_(unit) {}
  ~PtyUnitServer();
  PtyUnitServer(const PtyUnitServer&) = delete;
  PtyUnitServer& operator=(const PtyUnitServer&) = delete;

  // Creates the pseudo-terminal with a raw line; false (with LastError) on failure.
  bool Open();
  // The device path to hand to the program, e.g. /dev/pts/3.
  const std::string& SlavePath() const { return slavePath_; }
  // Holds `code` at the unit's reader from `from` after Open for `duration`, as someone would who
  // walks up with a key while the program runs. Any thread, after Open.
  void PresentKey(const KeyCode& code, std::chrono::milliseconds from, std::chrono::milliseconds duration);
  // Holds the keys in turn, one every `every` from `from` on, each for `duration` (< `every`):
  // a house where residents come and go. Any thread, after Open.
  void PresentKeysInTurn(std::vector<KeyCode> codes, std::chrono::milliseconds from,
                         std::chrono::milliseconds duration, std::chrono::milliseconds every);
  // Holds `code` at the reader from now on for `duration`, ahead of any presented key; a later
  // call replaces it. Any thread, after Open; the reader reports it within kStopCheck.
  void HoldKeyFor(const KeyCode& code, std::chrono::milliseconds duration);
  // Ends the hold of HoldKeyFor early; presented keys go on. Any thread.
  void ReleaseHeldKey();
  // The keys the unit stores now, in record order. Any thread.
  std::vector<StoredKey> StoredKeys() const;
  // Runs until `stop` becomes true or the pseudo-terminal fails (false, with LastError).
  bool Serve(const std::atomic<bool>& stop);
  const std::string& LastError() const { return lastError_; }

 private:
  SimTime Now() const;
  bool Fail(const char* what);
  void SendDue(bool listening);
  // Holds at the reader what should be held now; returns when that next changes.
  std::optional<SimTime> UpdateReader();
  // The presented key due now (if any) and when that changes; forgets a presentation that is over.
  std::pair<std::optional<KeyCode>, std::optional<SimTime>> PresentedNow(SimTime now);

  struct Presentation {
    std::vector<KeyCode> codes;
    SimTime from;
    SimTime duration;
    SimTime every;  // zero: once
  };
  struct Hold {
    KeyCode code;
    SimTime until;
  };

  // Guards unit_, presentation_, hold_ and held_.
  mutable std::mutex mutex_;
  SimulatedUnit& unit_;
  int master_ = -1;
  std::string slavePath_;
  std::string lastError_;
  std::optional<Presentation> presentation_;
  std::optional<Hold> hold_;
  std::optional<KeyCode> held_;  // what the unit's reader has now
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace qel::sim
