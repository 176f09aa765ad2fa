#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controller/BackupKeeper.h"
#include "controller/KeyBatch.h"
#include "controller/KeyListPrint.h"
#include "controller/KeySelection.h"
#include "controller/MainView.h"
#include "dialogs/SettingsDialog.h"
#include "files/ImageFile.h"
#include "keystore/KeyMemoryImage.h"
#include "link/SerialPort.h"
#include "sequencer/ArchiveTransfers.h"
#include "sequencer/ClockPoll.h"
#include "sequencer/DeleteKey.h"
#include "sequencer/KeyLoad.h"
#include "sequencer/KeyWriteLedger.h"
#include "sequencer/Login.h"
#include "sequencer/MemoryRewrite.h"
#include "sequencer/ReaderPoll.h"
#include "sequencer/SaveKeys.h"
#include "sequencer/Sequencer.h"
#include "sequencer/SettingsRead.h"
#include "sequencer/SettingsWrite.h"
#include "sequencer/UnitEvents.h"
#include "sequencer/UnitSettings.h"
#include "sequencer/Watchdog.h"

namespace qel {

// What an edit changes of a key: what it leaves out stays as it is.
struct KeyChange {
  std::optional<Floors> floors;
  std::optional<std::string> comment;  // UTF-8
};

// A key to add, as typed or read elsewhere.
struct NewKey {
  KeyCode code{};
  Floors floors{};
  std::string comment;  // UTF-8
};

// The settings to write: the settings dialog's boxes as its OK takes them, a new access code, and
// whether the operator agreed to a new comment length (it relays the whole key memory out). With
// entries.setClock the PC's time is written only once the unit's clock is seen running.
struct NewSettings {
  SettingsEntries entries;
  std::optional<int> accessCode;
  bool relayoutConsented = false;
};

// The core of the main window: the sequencer with its operations, the PC's copy of the key
// memory, the unit's settings and the key list's selection. The Qt window forwards its events here
// (timer ticks, buttons, list notifications) and draws what the MainView calls tell it. The
// operations tell it what they did as UnitEvents, the archive's work reaches it as its ArchiveHost.
class UnitController final : public ArchiveHost, private UnitEvents {
 public:
  UnitController(CSerialPort& port, TimerHost& timers, LocalClock& clock, MainView& view, Language language);

  // The start state of the window: only Connect enabled, an empty list, no timer running.
  void Start();
  // The tick of main-window timer `id`.
  void OnTimer(int id) { sequencer_.OnTimer(id); }

  // Commands.
  // The Connect button: connects, or while connected disconnects; after a critical error it lets
  // the unit go and connects afresh.
  void ConnectButton();
  void ConnectCommand();
  // From the resting watchdog or halted work only: the unit is told as at the window's close, the
  // port is closed and only Connect remains, so that another unit can be reached.
  void DisconnectCommand();
  // Key dialogs for new keys (from the reader or typed), then the save of those recorded.
  void AddKeys();
  // The keys given, each judged as the key dialog's OK and the add run judge it, stored in the
  // free slots in turn and then saved in the unit, as after the key dialogs. At most
  // kNextKeyLimit + 1 keys; the first refused key or a full memory ends the run. How many were
  // stored (and are being saved).
  int AddKeys(const std::vector<NewKey>& keys);
  // The keys an import planned, stored and saved as AddKeys stores and saves them, in one run
  // however many: one bar for all. How many were stored.
  int ImportKeys(const std::vector<PlannedKey>& keys);
  // The add run of one key awaited at the reader, as the key dialog awaits it: the reader is
  // polled until a key the unit does not hold is presented, and that key is stored with `key`'s
  // floors and comment (judged as the dialog's OK judges it) and saved. readerWait() tells what
  // came of it once the unit rests again. False when nothing started: no free slot, or a refused
  // timer.
  bool AddKeyFromReader(ReaderKey key);
  const ReaderWaitOperation& readerWait() const { return readerWait_; }
  // The keys of `records`, stored in the image already, saved in the unit one after another; a
  // failure names each key it left. False when the save could not start.
  bool SaveKeys(std::vector<int> records);
  // What a login is followed by, read afresh: the settings, then the keys; or the keys alone. The
  // watchdog rests after either.
  bool ReadUnit();
  bool LoadKeys();
  // The key commands act on `record`, a record of the image that holds a key: the window's
  // selection().Target(), or the ID qelctl was given.
  // Floors and comment of the key, then its delete and save in the unit.
  void EditKey(int record);
  // The same edit with what `change` gives instead of the dialog; false when its comment was
  // refused (the operator told why) and nothing was written.
  bool EditKey(int record, const KeyChange& change);
  // The key, lost, gets the code of a key held at the reader or typed; its ID, floors and comment
  // stay. Once confirmed it runs as an edit: the old code stops opening the lift.
  void ReplaceKey(int record);
  // The key, once the operator confirms, deleted in the image and the unit.
  void DeleteKey(int record);
  // The records the key commands act on for the rows the view selects: the selection's Target
  // for one row or none, every selected row's key for several.
  std::vector<int> ChosenKeys(const std::vector<int>& rows) const;
  // Several keys, once the operator confirms one question that names them, deleted one after
  // another as DeleteKey deletes one, with one bar for all; one key is DeleteKey.
  void DeleteKeys(const std::vector<int>& records);
  // Each key's floors changed by `change` and written as an edit (a delete, then the save), one
  // key after another with one bar for all; keys the change leaves as they are are skipped. False
  // when refused (JudgeFloorChange, the operator told why) or nothing was to be written.
  bool ChangeFloors(const std::vector<int>& records, const FloorChange& change);
  // The operator's stop of a write of several keys: the key in hand is written to its end, then
  // the operator is told which keys were written and which not.
  void StopBatch();
  const KeyBatch& batch() const { return batch_; }
  // The settings dialog; on OK, what changed is written to the unit.
  // False when nothing was written: the operator cancelled, or the backup a new comment length
  // needs could not be saved (the operator was told why).
  bool StartWriteSettings();
  // The same write with `settings` instead of the dialog, judged as the dialog's OK judges them;
  // false when refused (the operator told why) or not begun, as StartWriteSettings. With
  // settings.entries.setClock the unit's clock is polled first and the write follows once it is
  // seen running; clockCheck() tells what came of it once the unit rests again.
  bool WriteSettings(const NewSettings& settings);
  const ClockCheckOperation& clockCheck() const { return clockCheck_; }
  // The dialog's setup for the unit's settings as the program holds them.
  SettingsDialogSetup SettingsSetup() const;
  // The four settings that an image file keeps with the image.
  ImageSettings ImageFileSettings() const override {
    return qel::ImageFileSettings(settings_, image_.RecordSize());
  }
  // The automatic backups: their folder, and the one saved last.
  BackupKeeper& backups() { return backups_; }
  // For the archive: the backup before a restore or a deletion of all keys, and the one saved last.
  bool BackupBeforeWholeMemoryWrite() override { return backups_.SaveBeforeWholeMemoryWrite(); }
  const std::optional<std::filesystem::path>& lastBackup() const override { return backups_.last(); }
  // The keys whose write went wrong since the last load, and those the running write has in hand.
  const KeyWriteLedger& ledger() const { return ledger_; }
  // The window closes, or qelctl is stopped, while the unit is being written: what the running
  // write leaves is reported as a failure would be (keys marked and named, settings that may be
  // unwritten, a half-written memory), with the automatic backup written first. The report's text.
  std::string StopWriteForClose();

  // The archive dialog; a file it loaded is taken over as its write ends, a deletion of all keys at
  // once, and the keys of an import it confirmed are saved once it has closed.
  void OpenArchive();
  // The archive's work without the dialog: the main runner holds and the unit is told, as when the
  // dialog opens; at the end what the work did is taken over and the watchdog rests again, unless
  // the link has gone or a write failed.
  void BeginArchive();
  void EndArchive(const ArchiveTransfers& work);
  void AllKeysDeleted() override;
  void ImageRestored(const ImageBytes& image, const ImageSettings& settings) override;
  std::string ElevatorName() const override;
  void ToggleLanguage();
  // The window is about to close. While the unit is being written the operator is asked first;
  // No lets the operation finish. True when the window may close.
  bool MayClose();
  // The window closes, or Disconnect: a connected unit is told with 0x04 and the port is closed.
  void Close();

  // Key list notifications: a click, the focus or a key press picks the selected row, and the
  // floors panel shows it.
  void OnListClicked();
  void OnListFocused();
  void OnListKeyPressed();
  // The selected row stays picked after the edit a double click started on it.
  void PickSelectedRow() { selection_.Pick(); }
  // The rows shown, the operator's pick, the reader highlight and the key at the reader.
  const KeySelection& selection() const { return selection_; }

  // Rebuilds the list rows (the keys the filter finds) and the free-slot list from the image.
  void RefillKeyList();
  // The keys a printout lists, in list order: `selectedRows` are the rows the view selects, used
  // for PrintScope::Selected.
  KeyListDocument KeysToPrint(PrintScope scope, const std::vector<int>& selectedRows) const;
  // The operator's text in the filter box (UTF-8). The list is refilled with the keys it finds;
  // the highlight and the operator's pick stay with their keys, and a pick the filter hides
  // comes back once a filter shows it again.
  void SetKeyFilter(std::string_view utf8);
  // The operator clicked a column's header: the list is sorted by it, or the other way round when
  // it is sorted by it already. The selected key stays selected on its new row, the highlight
  // stays with its key, and the order holds across refills until the next click.
  void SortKeyList(KeySortColumn column);
  // Each reader report: whether a key is held there and its code. A key the image holds is
  // highlighted with its floors shown, also one the list does not show; the operator's selection
  // stays as it is. The list tells a key held now from the one last presented.
  void ReaderReport(bool held, const KeyCode& code);
  // Rebuilds the settings summary line and the elevator name line.
  void ShowSettingsLine();

  const KeyLoadOperation& keyLoad() const { return keyLoad_; }
  // Watchdog checks in a row without an acknowledgement.
  int missedAcks() const { return watchdog_.missedAcks(); }

  // After a dialog or a question: false when the link dropped while it was open (a 501 in the
  // dialog, a 600 under a box). The command then starts nothing and leaves the image as the unit
  // has it; the link report has left Connect enabled.
  bool LinkSurvived() const override { return sequencer_.linkOpen(); }

  Language language() const { return sequencer_.language(); }
  Sequencer& sequencer() override { return sequencer_; }
  const Sequencer& sequencer() const { return sequencer_; }
  KeyMemoryImage& image() { return image_; }
  const KeyMemoryImage& image() const override { return image_; }
  UnitSettings& settings() { return settings_; }

  // The port the search tried last.
  int currentPort() const { return currentPort_; }

  // "Insert next key" is offered while fewer than this many keys are recorded in one run.
  static constexpr int kNextKeyLimit = 100;
  // A run records at most kNextKeyLimit + 1 keys.
  static constexpr int kRunLimit = kNextKeyLimit + 2;

 private:
  // What the operations tell.
  void KeysChanged() override;
  void KeysArrived(int upToByte) override;
  void SettingsRead() override { ShowSettingsLine(); }
  void KeyAtReader(bool held, const KeyCode& code) override { ReaderReport(held, code); }
  // The port tried last gave no hello: the search goes on with the next one, when it searches.
  void NoHello() override;
  void KeyFromReader(const std::optional<KeyCode>& code) override;
  bool ClockChecked(bool running) override;

  // The port search from `first` to `last`, starting the connect chain on the first port that
  // opens.
  void SearchPorts(int first, int last);
  // After a key dialog or its data command that wrote nothing, the watchdog's first tick.
  static constexpr std::chrono::milliseconds kWatchdogAfterEdit{1000};

  // What the commands run: their operations in order, and what a failure leaves to be told.
  enum class Job {
    Connect,
    ReadUnit,
    LoadKeys,
    DeleteKey,
    EditKey,
    SaveKeys,
    WriteSettings,
    KeyFromReader,
    ClockCheck
  };
  Chain ChainOf(Job job);

  // The window's texts, the list and the settings line in the language chosen.
  void ApplyLanguage();
  void LogPortRefusal(int port);
  void LogPinnedPortFailure(int port);
  // The key dialog's setup for the key in record `index`, as the edit dialog shows it.
  KeyDialogSetup RecordSetup(int index) const;
  // Before the settings dialog: the unit is told, the watchdog rests and the list lets go.
  void StopForSettingsDialog();
  // After the settings dialog or its command with nothing to write.
  void EndSettingsUnchanged();
  // The settings command's judgement and write, once the dialog would close.
  bool WriteJudgedSettings(const NewSettings& settings);
  // What the dialog or the command accepted, written: the backup a new comment length needs, the
  // image relaid, the settings kept and the write run. False when not begun.
  bool ApplySettings(const AcceptedSettings& accepted, const std::string& elevatorName, int accessCode);
  // Before a key dialog: the watchdog rests and the unit is told a dialog opens.
  void StopForKeyDialog();
  // One pass of the add-keys run, which records the key's slot in `added`: -1 stop, 0 last key
  // recorded, 2 recorded, next key.
  int AddOneKey(std::vector<int>& added, bool nextKeyAllowed);
  // A new key code is neither blank (110, 111) nor in the image already (112).
  bool ValidateNewKey(const KeyCode& code);
  // A key taken into `slot` of the add run once its code is judged new; false when refused.
  // AddKeys' run of at most `most` keys, the line read before each key as the key dialog's path
  // reads it, or before the first alone.
  int AddKeyRun(const std::vector<NewKey>& keys, int most, bool dialogPaced);
  bool RecordNewKey(int slot, const KeyCode& code, const Floors& floors, const std::string& commentText,
                    std::vector<int>& added);
  // The run's keys counted in the log and saved; the watchdog rests when there are none.
  void EndAddRun(std::vector<int> added);
  // A comment as the key dialog judges it for this unit; a refusal is shown.
  std::optional<std::string> JudgeComment(std::string_view comment);
  void ReplaceRecord(int index);
  // The record as the dialog left it, into the image, then its delete and save in the unit.
  void RewriteRecord(int index, const KeyCode& code, const Floors& floors, const std::string& commentText);
  void ShowFilterSummary();
  // The key's comment and code, as a question names it.
  std::string KeyNamed(int record) const;
  // The batch's next key, its delete or edit chain run; at the batch's end (or stop) what it did
  // is told, the list refilled and the watchdog rests.
  void WriteNextOfBatch();
  void EndBatch();
  // The list as RefillKeyList builds it; the first `keptRows` rows shown stay as they are and only
  // the rest follow them, so that a row the operator selected meanwhile stays selected.
  void ListKeys(int keptRows);
  // The list built afresh, the key the view selected selected again on its row.
  void RefillKeepingSelected();
  // The key write stopped before its end (an error, a refused timer, the operator): the keys in
  // doubt stay listed with their mark, the image is saved as an automatic backup, and the log and
  // a box say key by key what the unit holds now. Nothing happens when no key was in doubt.
  void KeyWriteStopped();
  // Marks the keys in doubt, saves the automatic backup and lets the keys go: the report's text.
  std::string SettleKeysInDoubt();
  // After a failed rewrite of the unit's key memory: the PC's image (the only whole copy left)
  // goes to an automatic backup, and the operator is told where it is and how to recover.
  void ReportHalfWrittenMemory();
  // The automatic backup of a memory left half written, and the text that points to it.
  std::string HalfWrittenMemoryReport();
  // The floors of selection().FloorsRecord() for the row the view selects.
  void ShowCurrentFloors();
  // The floors of `record`; none shown without it.
  void ShowFloorsOf(std::optional<int> record);
  void ClearFloors() { ShowFloorsOf(std::nullopt); }
  // The highlight goes, from the view too.
  void DropHighlight();

  CSerialPort& port_;
  MainView& view_;
  Sequencer sequencer_;
  int transport_ = 1;
  bool autoSearch_ = false;
  int currentPort_ = 0;
  KeyMemoryImage image_;
  UnitSettings settings_;
  KeyWriteLedger ledger_{image_};
  BackupKeeper backups_{sequencer_, image_, settings_};
  LoginOperation login_;
  WatchdogOperation watchdog_;
  SettingsReadOperation settingsRead_;
  SettingsWriteOperation settingsWrite_;
  MemoryRewriteOperation memoryRewrite_;
  KeyLoadOperation keyLoad_;
  DeleteKeyOperation deleteKey_;
  SaveKeysOperation saveKeys_;
  SavePauseOperation savePause_;
  ReaderWaitOperation readerWait_;
  ClockCheckOperation clockCheck_;
  // What the clock check hands on to the write.
  NewSettings clockedSettings_;

  KeySelection selection_;
  KeyBatch batch_;
  // While a key load runs: the records below it have arrived and are listed, and no others.
  std::optional<int> arrivedRecords_;
};

}  // namespace qel
