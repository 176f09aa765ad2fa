#pragma once

#include "sequencer/Sequencer.h"

namespace qel {

class UnitController;

// Access time, record size, relay setup, clock, elevator name and firmware version,
// each reply read one tick after its command. Faults are logged only; the read always goes on
// and ends well.
class SettingsReadOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kFastPeriod{100};
  static constexpr std::chrono::milliseconds kSlowPeriod{1000};

  explicit SettingsReadOperation(UnitController& controller)
      : Operation(OperationKind::SettingsRead), c_(controller) {}
  std::chrono::milliseconds Period() const override { return kFastPeriod; }
  void Prepare() override;
  void Begin() override;
  Outcome Tick() override;

 private:
  bool RunStep();
  void ReadAccessTime();
  void ReadRecordSize();
  void ReadRelaySetup();
  void ReadClock();
  void ReadElevatorName();
  void ReadFirmware();

  UnitController& c_;
};

}  // namespace qel
