#pragma once

#include "keystore/KeyMemoryImage.h"
#include "sequencer/Sequencer.h"
#include "sequencer/UnitEvents.h"
#include "sequencer/UnitSettings.h"

namespace qel {

// Access time, record size, relay setup, clock, elevator name and firmware version,
// each reply read one tick after its command. Faults are logged only; the read always goes on
// and ends well.
class SettingsReadOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kFastPeriod{100};
  static constexpr std::chrono::milliseconds kSlowPeriod{1000};

  // The record size read goes to `image`, the other settings to `settings`.
  SettingsReadOperation(Sequencer& sequencer, KeyMemoryImage& image, UnitSettings& settings,
                        UnitEvents& events)
      : Operation(OperationKind::SettingsRead),
        s_(sequencer),
        image_(image),
        settings_(settings),
        events_(events) {}
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

  Sequencer& s_;
  KeyMemoryImage& image_;
  UnitSettings& settings_;
  UnitEvents& events_;
};

}  // namespace qel
