#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "keystore/KeyMemoryImage.h"
#include "texts/Language.h"

namespace qel {

// What a change of floors does to each key of a selection: floors given to all, floors taken
// from all (a floor closed for repairs).
struct FloorChange {
  Floors add{};
  Floors remove{};
};

// A key's floors after `change`.
Floors ChangedFloors(const Floors& floors, const FloorChange& change);

// Judged before a byte goes out: why the change of `keys` keys' floors is refused (no keys, no floor
// ticked, a floor both added and taken away), or empty when it may run.
std::string JudgeFloorChange(std::size_t keys, const FloorChange& change, Language language);

// The keys a write of several keys works through, one after another: those done, the one in hand
// and those not begun. The operator's stop lets the key in hand end and starts no other.
class KeyBatch {
 public:
  enum class Kind { Delete, ChangeFloors };

  void Start(Kind kind, std::vector<int> records, FloorChange change = {});
  // The key in hand is done; the next one to write, none once all are done or a stop was asked.
  std::optional<int> Next();
  void AskStop() { stopAsked_ = true; }
  // Over: nothing is in hand or waiting any more.
  void Clear() { records_.clear(); }

  bool Running() const { return !records_.empty(); }
  Kind kind() const { return kind_; }
  const FloorChange& change() const { return change_; }
  bool stopAsked() const { return stopAsked_; }
  // The key in hand counted from 1, and how many the batch has.
  int position() const { return static_cast<int>(done_) + 1; }
  int count() const { return static_cast<int>(records_.size()); }

  // Lines naming the keys done and those never begun (none for an empty group); the key in hand
  // is the key-write ledger's to tell.
  std::vector<std::string> Report(Language language) const;

 private:
  Kind kind_ = Kind::Delete;
  std::vector<int> records_;
  FloorChange change_;
  // How many of records_ are done; the next is in hand while `inHand_`.
  std::size_t done_ = 0;
  bool inHand_ = false;
  bool stopAsked_ = false;
};

}  // namespace qel
