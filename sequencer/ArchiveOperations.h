#pragma once

#include <chrono>

#include "sequencer/OperationRunner.h"
#include "sequencer/SettingsWrite.h"
#include "sequencer/Watchdog.h"

namespace qel {

class ArchiveTransfers;

// The archive's operations, run by the archive's own runner on a timer host of its own. Each
// reports its errors through the archive's work, which stops the runner before they are shown.

// The archive's rest: 0x05, then its acknowledgement judged as the watchdog judges it.
class LinkCheckOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{1000};
  // Checks in a row without an acknowledgement before the link counts as lost.
  static constexpr int kMaxMissedChecks = 2;

  explicit LinkCheckOperation(ArchiveTransfers& work) : Operation(OperationKind::LinkCheck), work_(work) {}
  std::chrono::milliseconds Period() const override { return kPeriod; }
  Outcome Tick() override;

 private:
  ArchiveTransfers& work_;
  MissedAcks missed_{kMaxMissedChecks};
};

// The deletion of all keys or all logs: the three command bytes, the start judged, then the unit's
// progress bytes (a "*" in the log per six) until it says it is done.
class DeleteAllOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{150};
  // Progress bytes per "*" in the log.
  static constexpr int kLineFeedsPerMark = 6;

  explicit DeleteAllOperation(ArchiveTransfers& work) : Operation(OperationKind::DeleteAll), work_(work) {}
  // What the next run deletes.
  void Choose(bool keys) { keys_ = keys; }
  bool keys() const { return keys_; }
  std::chrono::milliseconds Period() const override { return kPeriod; }
  Outcome Tick() override;

 private:
  Outcome JudgeStart();
  // Each byte of a reply from `first` on.
  Outcome TakeReply(int first, int length);
  Outcome Finish();
  Outcome Lost(int keysCode, int logsCode);

  ArchiveTransfers& work_;
  bool keys_ = false;
  // Counted on across the deletions of one opening.
  int lineFeedCount_ = 0;
};

// The archive's image to the unit: the start bytes, their reply judged, then the blocks.
class ImageWriteOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{500};
  // The start bytes and their reply take a tick each before the blocks.
  static constexpr int kTicks = BlockTransfer::kTicks + 2;

  explicit ImageWriteOperation(ArchiveTransfers& work) : Operation(OperationKind::ImageWrite), work_(work) {}
  std::chrono::milliseconds Period() const override { return kPeriod; }
  Outcome Tick() override;

 private:
  Outcome JudgeStart();

  ArchiveTransfers& work_;
  BlockTransfer blocks_;
};

// The settings that go with the archive's image: the settings write's groups for the record size,
// the access time and the relay byte (permanent access marked in its top bits).
class ImageSettingsOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{700};
  static constexpr int kGroups = 3;
  static constexpr int kTicks = kGroups * SettingGroup::kTicks;

  explicit ImageSettingsOperation(ArchiveTransfers& work)
      : Operation(OperationKind::ImageSettings), work_(work) {}
  std::chrono::milliseconds Period() const override { return kPeriod; }
  Outcome Tick() override;

 private:
  ArchiveTransfers& work_;
};

}  // namespace qel
