#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "files/CsvImport.h"
#include "keystore/KeyMemoryImage.h"
#include "texts/Language.h"

namespace qel {

// A line of the file that will not be added, and why.
struct ImportSkip {
  enum class Reason {
    HeldInUnit,      // `other` is the key's ID in the unit
    RepeatedInFile,  // `other` is the line that brings the key first
    NoFreeSlot,      // the keys before it fill the unit's memory
  };
  ImportedKey key;
  Reason reason;
  int other = -1;

  bool operator==(const ImportSkip&) const = default;
};

// A key to be added, with the free record it will be stored in.
struct PlannedKey {
  ImportedKey key;
  int id;

  bool operator==(const PlannedKey&) const = default;
};

// What an import of a file's keys into a unit will do, judged before any byte goes out.
struct ImportPlan {
  int maxComment = 0;                    // the unit's comment length
  std::vector<int> longComments;         // lines whose comment is longer: nothing may be added
  std::vector<PlannedKey> keys;          // in file order, in the free records in turn
  std::vector<ImportSkip> skipped;       // in file order
  std::chrono::milliseconds duration{};  // of the save of `keys`, in the protocol

  bool Ok() const { return longComments.empty(); }
};

// The keys of a parsed file judged against the PC's copy of the unit's memory (its key list built):
// a key the unit holds or an earlier line brings is skipped, the others take the free records in
// turn until there are none.
ImportPlan PlanImport(const std::vector<ImportedKey>& keys, const KeyMemoryImage& image);

// A skipped line or a long comment named with its line, as qelctl and the window say it.
std::string ImportSkipMessage(const ImportSkip& skip, Language language);
std::string LongCommentMessage(int line, int maxComment, Language language);
// How many keys will be added, how long their save takes ("m:ss") and how many lines are skipped.
std::string ImportSummary(const ImportPlan& plan, Language language);
// The file's problems, then that nothing was added; empty when the import may go on.
std::string ImportRefusal(const CsvImport& parsed, const ImportPlan& plan, Language language);

}  // namespace qel
