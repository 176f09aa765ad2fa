#include "sequencer/KeyWriteLedger.h"

#include <algorithm>

#include "keystore/FloorList.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"
#include "texts/Utf8Path.h"

namespace qel {
namespace {

Text KeyLine(KeyMark mark) {
  switch (mark) {
    case KeyMark::DeletedNotStored:
      return Text::KeyDeletedNotStored;
    case KeyMark::NotStored:
      return Text::KeyNotStored;
    default:
      return Text::KeyDeletionNotConfirmed;
  }
}

}  // namespace

void KeyWriteLedger::SaveStarting(const std::vector<int>& records) {
  keysInDoubt_.clear();
  for (const int record : records) keysInDoubt_.push_back({record, KeyMark::NotStored});
}

void KeyWriteLedger::EditStarting(int record) { keysInDoubt_ = {{record, KeyMark::DeletionNotConfirmed}}; }

void KeyWriteLedger::DeleteStarting(int record, const KeyCode& code) {
  deletedCode_ = code;
  keysInDoubt_ = {{record, KeyMark::DeletionNotConfirmed}};
}

void KeyWriteLedger::KeyDeletedForEdit(int record) {
  for (KeyInDoubt& key : keysInDoubt_)
    if (key.record == record) key.mark = KeyMark::DeletedNotStored;
}

void KeyWriteLedger::KeyWriteConfirmed(int record) {
  std::erase_if(keysInDoubt_, [record](const KeyInDoubt& key) { return key.record == record; });
  marks_.erase(record);
}

void KeyWriteLedger::MarkKeysInDoubt() {
  // A plain delete took the key out of the image at once; unconfirmed, it is listed again.
  for (const KeyInDoubt& key : keysInDoubt_) {
    if (key.mark == KeyMark::DeletionNotConfirmed && !image_.IsUsed(key.record))
      image_.StoreRecord(key.record, deletedCode_, image_.FloorsAt(key.record),
                         image_.CommentText(key.record));
    marks_[key.record] = key.mark;
  }
}

std::vector<std::string> KeyWriteLedger::DescribeKeysInDoubt(Language l) const {
  std::vector<std::string> lines;
  for (const KeyInDoubt& key : keysInDoubt_) {
    const std::string floors = FloorListText(image_.FloorsAt(key.record));
    lines.push_back(
        TrFormat(KeyLine(key.mark), l,
                 {std::to_string(key.record), Cp1250ToUtf8(KeyCodeToText(image_.KeyCodeAt(key.record))),
                  floors.empty() ? "-" : floors, Cp1250ToUtf8(image_.CommentText(key.record))}));
  }
  return lines;
}

std::string KeyWriteLedger::KeysInDoubtReport(const FileResult& backup, Language l) const {
  std::string text(Tr(Text::KeysInDoubtHeader, l));
  for (const std::string& line : DescribeKeysInDoubt(l)) text += "\n" + line;
  text += "\n" + (backup.Ok() ? TrFormat(Text::KeysKeptInBackup, l, {Utf8FromPath(backup.path)})
                              : TrFormat(Text::AutomaticBackupFailed, l, {backup.Message(l)}));
  return text + "\n" + std::string(Tr(Text::KeysStayMarked, l));
}

}  // namespace qel
