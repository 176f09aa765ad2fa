#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimulatedUnit.h"

namespace qel::sim {

// Serves a simulated unit in real time on the master side of a pseudo-terminal, so that the
// program (or any terminal program) can open the slave device as if it were the unit's serial
// adapter. Reply bytes that fall due while no one has the slave open are dropped, as on a line
// with nothing at the other end.
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
  // walks up with a key while the program runs.
  void PresentKey(const KeyCode& code, std::chrono::milliseconds from, std::chrono::milliseconds duration);
  // Holds the keys in turn, one every `every` from `from` on, each for `duration` (< `every`):
  // a house where residents come and go.
  void PresentKeysInTurn(std::vector<KeyCode> codes, std::chrono::milliseconds from,
                         std::chrono::milliseconds duration, std::chrono::milliseconds every);
  // Runs until `stop` becomes true or the pseudo-terminal fails (false, with LastError).
  bool Serve(const std::atomic<bool>& stop);
  const std::string& LastError() const { return lastError_; }

 private:
  SimTime Now() const;
  bool Fail(const char* what);
  void SendDue(bool listening);
  // Holds or releases the presented key when its time has come; returns when it next has to.
  std::optional<SimTime> UpdatePresentation();

  struct Presentation {
    std::vector<KeyCode> codes;
    SimTime from;
    SimTime duration;
    SimTime every;                    // zero: once
    std::optional<std::size_t> held;  // which code is held now
  };

  SimulatedUnit& unit_;
  int master_ = -1;
  std::string slavePath_;
  std::string lastError_;
  std::optional<Presentation> presentation_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace qel::sim
