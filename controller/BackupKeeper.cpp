#include "controller/BackupKeeper.h"

#include <cstdio>
#include <string>

#include "files/AutomaticBackup.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"
#include "texts/Utf8Path.h"

namespace qel {
namespace {

std::string Stamp(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

}  // namespace

BackupKeeper::BackupKeeper(Sequencer& sequencer, const KeyMemoryImage& image, const UnitSettings& settings)
    : sequencer_(sequencer), image_(image), settings_(settings), folder_(DefaultBackupFolder()) {}

FileResult BackupKeeper::Save() {
  const FileResult result =
      SaveAutomaticBackup(folder_, Cp1250ToUtf8(settings_.elevatorName), Stamp(sequencer_.Now()),
                          image_.Bytes(), ImageFileSettings(settings_, image_.RecordSize()));
  const Language l = sequencer_.language();
  if (result.Ok()) {
    last_ = result.path;
    sequencer_.AppendLog(TrFormat(Text::AutomaticBackupSaved, l, {Utf8FromPath(result.path)}));
  } else {
    sequencer_.AppendLog(TrFormat(Text::AutomaticBackupFailed, l, {result.Message(l)}));
  }
  return result;
}

bool BackupKeeper::SaveBeforeWholeMemoryWrite() {
  const FileResult result = Save();
  if (result.Ok()) return true;
  const Language l = sequencer_.language();
  sequencer_.view().ShowMessageBox(Tr(Text::ApplicationCaption, l),
                                   TrFormat(Text::AutomaticBackupFailed, l, {result.Message(l)}) + "\n" +
                                       std::string(Tr(Text::NothingStartedWithoutBackup, l)));
  return false;
}

}  // namespace qel
