#pragma once

#include "keystore/KeyMemoryImage.h"
#include "sequencer/KeyWriteLedger.h"
#include "sequencer/Sequencer.h"
#include "sequencer/UnitEvents.h"

namespace qel {

// Every second: takes in the unit's memory stream until an erased record has been received or the
// image is full. After each block the owner hears how far the records have arrived, so that the
// list fills as they come.
class KeyLoadOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{1000};
  // The last image byte is never written by a load.
  static constexpr int kLoadLimit = 65535;

  KeyLoadOperation(Sequencer& sequencer, KeyMemoryImage& image, KeyWriteLedger& ledger, UnitEvents& events)
      : Operation(OperationKind::KeyLoad), s_(sequencer), image_(image), ledger_(ledger), events_(events) {}

  std::chrono::milliseconds Period() const override { return kPeriod; }
  void Prepare() override;
  void Begin() override;
  Outcome Tick() override;

  int loadedBytes() const { return loadedBytes_; }
  // The last load stopped on an error before the keys ended: the list holds only the part that
  // came, until a load runs to its end.
  bool cutShort() const { return cutShort_; }

 private:
  // After a load cut short: the record the stream stopped in before its comment is erased again.
  void ForgetUnfinishedRecord();
  // Whether the last record whose key code and floors have all arrived in this load is erased.
  bool LastReceivedRecordErased() const;
  // The records wholly received so far are counted and told to the owner; the bar says how many
  // keys they hold.
  void TellArrivedKeys();

  Sequencer& s_;
  KeyMemoryImage& image_;
  KeyWriteLedger& ledger_;
  UnitEvents& events_;
  int loadedBytes_ = 0;
  int arrivedRecords_ = 0;
  int arrivedKeys_ = 0;
  bool cutShort_ = false;
};

}  // namespace qel
