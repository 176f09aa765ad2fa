#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "dialogs/ArchiveDialog.h"
#include "dialogs/KeyDialog.h"
#include "dialogs/SettingsDialog.h"
#include "keystore/KeyMemoryImage.h"
#include "sequencer/View.h"
#include "texts/Language.h"

namespace qel {

// The button a question's Enter presses. No where Yes would lose a key the operator may not
// have meant.
enum class DefaultAnswer { Yes, No };

// What the operator chose in the connect dialog.
struct ConnectChoice {
  int accessCode = 4719;
  int transport = 1;  // 1 USB, 2 Bluetooth
  int manualPort = 0;
  int port = 1;
};

// The main window as the core sees it: the View of the sequencer plus the key list, the floors
// panel, the two status lines, the window's own texts and the connect dialog. The window only
// displays; every decision is made in the core.
class MainView : public View {
 public:
  // Shows the connect dialog in connect mode; none when the operator cancels.
  virtual std::optional<ConnectChoice> AskConnect(Language language, std::string_view prompt) = 0;

  // Shows the key dialog around `dialog` and returns how the operator left it. The window calls
  // dialog.Open as it appears and dialog.Close as it goes, however it ends.
  virtual KeyDialogEnd RunKeyDialog(KeyDialog& dialog) = 0;
  // Shows the settings dialog around `dialog`; true when the operator confirmed it. The window
  // calls dialog.Open as it appears and dialog.Close as it goes, however it ends.
  virtual bool RunSettingsDialog(SettingsDialog& dialog) = 0;
  // Shows the archive dialog around `dialog`. The window calls dialog.Open as it appears and
  // dialog.Close as it goes, and does not go while dialog.MayClose says no.
  virtual void RunArchiveDialog(ArchiveDialog& dialog) = 0;
  // A question with Yes and No buttons, `defaultAnswer` the one Enter presses; true for Yes.
  virtual bool AskYesNo(std::string_view caption, std::string_view text, DefaultAnswer defaultAnswer) = 0;

  // Replaces every row of the key list.
  virtual void ShowKeyRows(std::vector<KeyListRow> rows) = 0;
  // Adds `rows` after the last row, leaving the rows shown, their highlight and the selection as
  // they are.
  virtual void AppendKeyRows(std::vector<KeyListRow> rows) = 0;
  // Sets or removes the reader highlight of `row`, leaving the selection alone; a highlighted row
  // is scrolled into view while no row is selected. Rows that the list does not have are ignored.
  virtual void SetRowHighlight(int row, bool highlighted) = 0;
  // Whether the highlighted key is held at the reader now, or was only the last one presented.
  virtual void ShowKeyAtReader(bool atReaderNow) = 0;
  // The first selected row of the key list, if any.
  virtual std::optional<int> SelectedRow() const = 0;
  // Every selected row of the key list, from the top.
  virtual std::vector<int> SelectedRows() const = 0;
  // Selects `row` as the operator's pick, without a highlight, and scrolls it into view.
  virtual void SelectRow(int row) = 0;
  // How many keys the list shows of how many, while a filter is set; empty without one.
  virtual void ShowFilterSummary(std::string_view summary) = 0;
  // A line of its own above the list: that the list holds only part of the unit's keys, the key
  // load having been cut short; empty while the list is whole.
  virtual void ShowLoadCutShort(std::string_view note) = 0;
  // Whether the operator is offered to stop a write of several keys after the key in hand
  // (UnitController::StopBatch).
  virtual void ShowStopButton(bool shown) = 0;
  // Ticks the 24 floor boxes from the floor bits (all clear: ClearFloors).
  virtual void ShowFloors(const Floors& floors) = 0;

  // The settings summary line under the list and the elevator name line at the top.
  virtual void ShowSettingsLine(std::string_view summary, std::string_view elevatorName) = 0;
  // Every language-dependent text of the window itself (buttons, group box, list headers).
  virtual void ApplyTexts(Language language) = 0;
};

}  // namespace qel
