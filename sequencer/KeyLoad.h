#pragma once

#include "sequencer/Sequencer.h"

namespace qel {

class UnitController;

// Timer 5, every second: takes in the unit's memory stream until an erased record has been
// received or the image is full, then lists the keys and hands over to the watchdog.
class KeyLoadOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{1000};
  // The last image byte is never written by a load.
  static constexpr int kLoadLimit = 65535;

  explicit KeyLoadOperation(UnitController& controller) : c_(controller) {}

  void Start();
  void Tick() override;

  int loadedBytes = 0;
  int erasedRecordSeen = 0;
  // The last load stopped on an error before the keys ended: the list holds only the part that
  // came, until a load runs to its end.
  bool cutShort = false;

 private:
  // After a load cut short: the record the stream stopped in before its comment is erased again.
  void ForgetUnfinishedRecord();
  // Whether the last record whose key code and floors have all arrived in this load is erased.
  bool LastReceivedRecordErased() const;

  UnitController& c_;
};

}  // namespace qel
