// What a write that stopped before its end leaves: the automatic backups, the keys in doubt with
// their marks in the list, and the reports that say what the unit holds now.
#include <algorithm>
#include <cstdio>

#include "files/AutomaticBackup.h"
#include "keystore/FloorList.h"
#include "sequencer/UnitController.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {
namespace {

std::string Stamp(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

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

FileResult UnitController::SaveAutomaticBackup() {
  const FileResult result =
      qel::SaveAutomaticBackup(backupFolder_, Cp1250ToUtf8(settings_.elevatorName), Stamp(sequencer_.Now()),
                               image_.Bytes(), ImageFileSettings());
  const Language l = language();
  if (result.Ok()) {
    lastBackup_ = result.path;
    sequencer_.AppendLog(TrFormat(Text::AutomaticBackupSaved, l, {result.path.string()}));
  } else {
    sequencer_.AppendLog(TrFormat(Text::AutomaticBackupFailed, l, {result.Message(l)}));
  }
  return result;
}

bool UnitController::BackupBeforeWholeMemoryWrite() {
  const FileResult result = SaveAutomaticBackup();
  if (result.Ok()) return true;
  const Language l = language();
  view_.ShowMessageBox(Tr(Text::ApplicationCaption, l),
                       TrFormat(Text::AutomaticBackupFailed, l, {result.Message(l)}) + "\n" +
                           std::string(Tr(Text::NothingStartedWithoutBackup, l)));
  return false;
}

void UnitController::KeyWriteConfirmed(int record) {
  std::erase_if(keysInDoubt_, [record](const KeyInDoubt& key) { return key.record == record; });
  marks_.erase(record);
}

std::vector<std::string> UnitController::DescribeKeysInDoubt() const {
  std::vector<std::string> lines;
  const Language l = language();
  for (const KeyInDoubt& key : keysInDoubt_) {
    const std::string floors = FloorListText(image_.FloorsAt(key.record));
    lines.push_back(
        TrFormat(KeyLine(key.mark), l,
                 {std::to_string(key.record), Cp1250ToUtf8(KeyCodeToText(image_.KeyCodeAt(key.record))),
                  floors.empty() ? "-" : floors, Cp1250ToUtf8(image_.CommentText(key.record))}));
  }
  return lines;
}

std::string UnitController::KeysInDoubtReport(const FileResult& backup) const {
  const Language l = language();
  std::string text(Tr(Text::KeysInDoubtHeader, l));
  for (const std::string& line : DescribeKeysInDoubt()) text += "\n" + line;
  text += "\n" + (backup.Ok() ? TrFormat(Text::KeysKeptInBackup, l, {backup.path.string()})
                              : TrFormat(Text::AutomaticBackupFailed, l, {backup.Message(l)}));
  return text + "\n" + std::string(Tr(Text::KeysStayMarked, l));
}

void UnitController::MarkKeysInDoubt() {
  // A plain delete took the key out of the image at once; unconfirmed, it is listed again.
  for (const KeyInDoubt& key : keysInDoubt_) {
    if (key.mark == KeyMark::DeletionNotConfirmed && !image_.IsUsed(key.record))
      image_.StoreRecord(key.record, deletedCode_, image_.FloorsAt(key.record),
                         image_.CommentText(key.record));
    marks_[key.record] = key.mark;
  }
}

std::string UnitController::HalfWrittenMemoryReport() {
  const FileResult backup = SaveAutomaticBackup();
  // The backup made before the rewrite holds every key too, in the old layout.
  const std::string path = backup.Ok() ? backup.path.string() : lastBackup_.value_or("").string();
  return TrFormat(Text::MemoryHalfWritten, language(), {path});
}

std::string UnitController::SettleKeysInDoubt() {
  MarkKeysInDoubt();
  const std::string report = KeysInDoubtReport(SaveAutomaticBackup());
  keysInDoubt_.clear();
  RefillKeyList();
  return report;
}

void UnitController::KeyWriteStopped() {
  if (keysInDoubt_.empty()) return;
  const std::string report = SettleKeysInDoubt();
  // The log reads newest first: the report's lines go in from the last.
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; start <= report.size(); start = end + 1) {
    end = std::min(report.find('\n', start), report.size());
    lines.push_back(report.substr(start, end - start));
  }
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) sequencer_.AppendLog(*line);
  view_.ShowMessageBox(Tr(Text::ApplicationCaption, language()), report);
}

std::string UnitController::StopWriteForClose() {
  if (settingsWrite_.RewritingMemory()) return HalfWrittenMemoryReport();
  if (!keysInDoubt_.empty()) return SettleKeysInDoubt();
  const Language l = language();
  const SettingsChanges& c = settingsWrite_.changes();
  std::string names;
  const auto add = [&names, l](bool changed, Text name) {
    if (changed) names += (names.empty() ? "" : ", ") + std::string(Tr(name, l));
  };
  add(c.accessTimeChanged, Text::SettingsAccessTime);
  add(c.relayChanged, Text::SettingsRelayInversion);
  add(c.relayChanged, Text::SettingsMainRelayInversion);
  add(c.nameChanged, Text::SettingsElevatorName);
  add(c.accessCodeChanged, Text::SettingsChangeAccessCode);
  add(c.setClock, Text::SettingsSetClock);
  return TrFormat(Text::SettingsMayBeUnwritten, l, {names});
}

}  // namespace qel
