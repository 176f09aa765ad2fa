#pragma once

#include "sequencer/Sequencer.h"

namespace qel {

class UnitController;

// Timer 3: access time, record size, relay setup, clock, elevator name and firmware version,
// each reply read one tick after its command. Faults are logged only; the read always goes on
// and ends by starting the key memory load.
class SettingsReadOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kFastPeriod{100};
  static constexpr std::chrono::milliseconds kSlowPeriod{1000};

  explicit SettingsReadOperation(UnitController& controller) : c_(controller) {}
  void Tick() override;

 private:
  bool RunStep();
  void ReadAccessTime();
  void ReadRecordSize();
  void ReadRelaySetup();
  void ReadClock();
  void ReadElevatorName();
  void ReadFirmwareAndFinish();

  UnitController& c_;
};

}  // namespace qel
