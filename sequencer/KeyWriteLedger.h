#pragma once

#include <map>
#include <string>
#include <vector>

#include "files/FileResult.h"
#include "keystore/KeyMemoryImage.h"
#include "texts/Language.h"

namespace qel {

// What the key writes leave in doubt: the keys the running delete or save has in hand, and the
// keys whose write went wrong since the last load, each with what the unit holds of it. The
// commands say what a write takes in hand, the delete and save say what the unit confirmed.
class KeyWriteLedger {
 public:
  explicit KeyWriteLedger(KeyMemoryImage& image) : image_(image) {}

  // A save of `records`, new to the unit, starts.
  void SaveStarting(const std::vector<int>& records);
  // An edit of `record` starts: a delete, then the save of the record as it now is.
  void EditStarting(int record);
  // A plain delete of `record` starts; `code` is its key code, which the image loses at once.
  void DeleteStarting(int record, const KeyCode& code);

  // The unit confirmed the delete that starts the edit of `record`: until the save ends, it no
  // longer holds the key.
  void KeyDeletedForEdit(int record);
  // The unit has taken the write of `record` as it should (deleted it, or stored it whole).
  void KeyWriteConfirmed(int record);

  bool InDoubt() const { return !keysInDoubt_.empty(); }
  // The write stopped: the keys in doubt get their marks, and a key whose delete went unconfirmed
  // is back in the image.
  void MarkKeysInDoubt();
  // The key lines, the backup's path or why it is missing, as one text for a box.
  std::string KeysInDoubtReport(const FileResult& backup, Language language) const;
  // The keys in doubt have been told: none is in hand any more.
  void ForgetKeysInDoubt() { keysInDoubt_.clear(); }

  // Keys whose write went wrong since the last load, by record, with what the unit holds of each.
  const std::map<int, KeyMark>& marks() const { return marks_; }
  // A load, or an image taken over, shows what the unit holds: no key is in doubt any more.
  void ForgetMarks() { marks_.clear(); }

 private:
  // A key in hand, and what the unit would hold of it were the write to stop now.
  struct KeyInDoubt {
    int record;
    KeyMark mark;
  };

  // The lines that say what the unit holds of each key in doubt.
  std::vector<std::string> DescribeKeysInDoubt(Language language) const;

  KeyMemoryImage& image_;
  std::vector<KeyInDoubt> keysInDoubt_;
  std::map<int, KeyMark> marks_;
  // A plain delete zeroes the key code in the image at once; this brings it back should the unit
  // not confirm the delete.
  KeyCode deletedCode_{};
};

}  // namespace qel
