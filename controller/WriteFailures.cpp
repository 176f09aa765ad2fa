// What a write that stopped before its end leaves: the keys in doubt with their marks in the list,
// the automatic backups, and the reports that say what the unit holds now.
#include <algorithm>

#include "controller/UnitController.h"
#include "texts/Texts.h"
#include "texts/Utf8Path.h"

namespace qel {

std::string UnitController::HalfWrittenMemoryReport() {
  const FileResult backup = backups_.Save();
  // The backup made before the rewrite holds every key too, in the old layout.
  const std::string path = Utf8FromPath(backup.Ok() ? backup.path : backups_.last().value_or(""));
  return TrFormat(Text::MemoryHalfWritten, language(), {path});
}

std::string UnitController::SettleKeysInDoubt() {
  ledger_.MarkKeysInDoubt();
  std::string report = ledger_.KeysInDoubtReport(backups_.Save(), language());
  ledger_.ForgetKeysInDoubt();
  // A write of several keys also names those it finished and those it never began.
  if (batch_.Running()) {
    for (const std::string& line : batch_.Report(language())) report += "\n" + line;
    batch_.Clear();
    view_.ShowStopButton(false);
  }
  RefillKeyList();
  return report;
}

void UnitController::KeyWriteStopped() {
  if (!ledger_.InDoubt()) return;
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
  if (ledger_.InDoubt()) return SettleKeysInDoubt();
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
