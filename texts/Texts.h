#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "texts/Language.h"

namespace qel {

// Every text the program shows or logs, in both languages. The wording is fixed: operators and
// their documentation quote these lines, so change none of them lightly.
enum class Text {
  // Message box captions and serial set-up warnings (English whatever the language).
  ApplicationCaption,
  WarningCaption,
  CannotSetComParameters,
  CannotSetTimeouts,
  TimerError,

  // Error reports of the sequencer; %i is the error number.
  CriticalError,
  LinkLostError,
  LoggedErrorPrefix,

  // Connection, port search and login.
  ConnectPrompt,
  SearchingForQel,
  PortFound,
  QelNotFound,
  QelNotFoundAt,
  QelFoundAt,
  QelConnectedTo,
  QelNotConnected,
  PortAccessDenied,

  // Settings read and the settings summary line.
  AccessTimeLoaded,
  AccessTimeError,
  AccessTimeWrongValue,
  CommentLengthLoaded,
  CommentLengthError,
  CommentLengthWrongValue,
  RelaySetupLoaded,
  RelaySetupError,
  ClockError,
  ClockLine,
  ElevatorNameError,
  FirmwareVersion,
  FirmwareMissing,
  SummaryPermanentAccess,
  SummaryAccessTime,
  SummaryCommentLength,
  SummaryYesComma,
  SummaryNoComma,
  SummaryMainRelay,
  SummaryYes,
  SummaryNo,

  // Key memory load.
  KeysLoaded,

  // Deleting and saving keys, and the progress of long transfers.
  KeyDeleted,
  SavingKey,
  KeySaved,
  ProgressSavingKey,
  ProgressDeletingKey,
  ProgressTimeLeft,

  // Key dialog and the key commands.
  KeyDialogId,
  KeyDialogKey,
  KeyDialogComment,
  KeyDialogManualEntry,
  KeyDialogAllFloors,
  KeyDialogNextKey,
  AccessibleKeyId,
  WrongKeyCode,
  CommentTooLong,
  CommentUnstorableCharacter,
  WrongKeyNumber,
  KeyAlreadySaved,
  KeyRecorded,
  NoKeyChosen,
  ConfirmDeleteCaption,
  ConfirmDeleteKey,
  ConfirmCloseWhileWriting,
  KeyAtReaderNow,
  KeyLastPresented,

  // Main window.
  ButtonAddKeys,
  ButtonEditKey,
  ButtonDeleteKey,
  ButtonSettings,
  ButtonConnect,
  ButtonArchive,
  ButtonHelp,
  ButtonLanguage,
  FloorsGroup,
  ColumnId,
  ColumnComment,
  ColumnKey,
  AboutMenuItem,
  AboutVersion,

  // Connect dialog.
  ConnectVia,
  SetPortManually,
  ButtonOk,
  ButtonCancel,
  ButtonYes,
  ButtonNo,
  TransportUsb,
  TransportBluetooth,
  PortPrefix,
  EnterWholeNumber,
  PortWithoutDevice,
  PortDevicesTitle,
  NoSerialDevices,
  AccessibleKeyList,
  AccessibleLog,
  AccessibleElevatorName,
  AccessibleSettingsLine,
  AccessibleProgressText,
  AccessibleProgressBar,
  AccessibleFloor,
  AccessibleAccessCode,
  AccessiblePortNumber,
  AccessiblePortDevice,

  // Memory image file and CSV export. The damage texts are Czech in both languages; %s are the
  // file's name and the system's reason.
  FileDamaged,
  FileDamagedAt,
  FileCannotCreate,
  FileCannotOpen,
  FileCannotRead,
  FileCannotWrite,
  FileCannotReplace,
  FileSettingsOutOfRange,

  // qel-kym, the command-line companion for folders of .kym backups.
  KymHelp,
  KymBadArguments,
  KymSettings,
  KymOn,
  KymOff,
  KymTableHeader,

  // The demo's reader panel (qel-key --demo); %s are the key code and the seconds.
  DemoReaderTitle,
  DemoReaderStoredKeys,
  DemoReaderRefresh,
  DemoReaderSeconds,
  DemoReaderHold,
  DemoReaderNewEightByte,
  DemoReaderNewTwelveChar,
  DemoReaderHolding,
  DemoReaderNoKeys,

  // Ports, start options and tools.
  // %s are the COM number, the device and the reason.
  PortNotOpened,
  PortNoSuchDevice,
  PortBusy,
  // %i is the COM number.
  AccessCodeRefused,
  // qel-kym; the damage texts of the window stay Czech, the tool says it in both languages.
  KymFileDamaged,
  KymFileDamagedAt,
  KymWrote,
  KymNoCommand,
  KymUnknownCommand,
  KymWrongCount,
  KymUnknownOption,
  KymLanguageMissing,
  KymBadLanguage,

  // The main window's keyboard, sizes and Disconnect.
  ButtonDisconnect,
  QelDisconnectedFrom,

  // Settings write, the settings dialog and the access-code change.
  NameSaved,
  NameNotConfirmed,
  CommentLengthSet,
  AccessTimeSet,
  RelaySettingsSet,
  AccessCodeSet,
  ClockSet,
  MemoryReconfiguration,
  Done,
  AccessCodeChangeFailed,
  ProgressRewritingMemory,
  ConfirmCloseWhileRewriting,
  ImageFileFilter,
  CommentLengthChanged,
  SettingsAccessTime,
  SettingsCommentLength,
  SettingsMaximumKeys,
  SettingsPermanentAccess,
  SettingsMainRelayInversion,
  SettingsRelayInversion,
  SettingsSetClock,
  SettingsCurrentTime,
  SettingsElevatorName,
  SettingsChangeAccessCode,
  LiveClock,
  CommentLengthWarning,
  CommentLengthLosses,
  NameTooLong,
  NameUnstorableCharacter,
  EnterCurrentAccessCode,
  InvalidCurrentAccessCode,
  EnterNewAccessCode,
  ReenterNewAccessCode,
  NewAccessCodeAccepted,
  AccessCodesDiffer,

  // The archive dialog, its confirmations and transfers.
  ArchiveCopyToPc,
  ArchiveCopyToUnit,
  ArchiveExport,
  ArchiveDeleteKeys,
  ArchiveDeleteLogs,
  ConfirmDeleteAllKeys,
  ConfirmDeleteAllLogs,
  ConfirmRewriteAllKeys,
  AllKeysDeleted,
  AllLogsDeleted,
  FileLoaded,
  CsvFileFilter,
  OpenImageCaption,
  SaveImageCaption,
  ExportCaption,
  ProgressDeletingAllKeys,
  ProgressDeletingAllLogs,
  ProgressWritingImage,
  RestoreFailedAdvice,
  CtlHelp,
  CtlBadArguments,
  CtlValueMissing,
  CtlNoCommand,
  CtlUnknownCommand,
  CtlOptionNotHere,
  CtlOperandCount,
  CtlDeviceOrPort,
  CtlBadNumber,
  CtlBadAccessCode,
  CtlBadOnOff,
  CtlBadClock,
  CtlNothingToSet,
  CtlBadKeyCode,
  CtlFloorsMissing,
  CtlBadFloors,
  CtlFileExists,
  CtlNoFolder,
  CtlCannotRead,
  CtlYesNoPrompt,
  CtlNoTerminalToAsk,
  CtlNotChanged,
  CtlAtMostLeft,
  CtlNoSuchKey,
  CtlKeyHeld,
  CtlMemoryFull,
  CtlNoKeyAtReader,
  CtlKeyAdded,
  CtlKeyEdited,
  CtlClockNotRunning,
  CtlSettingsWritten,
  CtlLineCommentTooLong,
  CtlLineKeyHeld,
  CtlLineRepeated,
  CtlImported,
  CtlSaved,
  CtlRestored,
  CtlWatching,
  CtlUnknownKey,
  CtlYes,
  CtlNo,
  CtlInfo,
  CtlStopWhileWriting,

  // The CSV import of the command-line front end; %i (the first %s) is the line number.
  CsvImportMissingHeader,
  CsvImportWrongColumnCount,
  CsvImportBadId,
  CsvImportBadQuotes,
  CsvImportUnstorableComment,
  CsvImportBadKeyCode,
  CsvImportBadFloorMark,
  ConfirmReplaceKey,
  KeyReplaced,
  ButtonReplaceKey,
  ReplaceKeyCaption,
  MenuReplaceLostKey,

  // qel-kym diff: one line per difference; %s are the old and new values.
  KymDiffSame,
  KymDiffAccessTime,
  KymDiffRecordSize,
  KymDiffRelayInversion,
  KymDiffMainRelayInversion,
  KymDiffAdded,
  KymDiffRemoved,
  KymDiffChanged,
  KymDiffFloors,
  KymDiffComment,
  KymDiffNoFloors,

  // The filter box above the main window's key list; the summary is "%i shown of %i".
  KeyFilterPlaceholder,
  KeyFilterSummary,
  AccessibleKeyFilterSummary,

  // The help window built into the program.
  HelpWindowCaption,
  ButtonClose,

  // Automatic backups and writes that stopped before their end. Key lines: ID, code, floors, comment.
  AutomaticBackupSaved,
  AutomaticBackupFailed,
  NothingStartedWithoutBackup,
  KeysInDoubtHeader,
  KeyDeletedNotStored,
  KeyNotStored,
  KeyDeletionNotConfirmed,
  KeysKeptInBackup,
  KeysStayMarked,
  KeyMarkNotInUnit,
  KeyMarkDeletionNotConfirmed,
  SettingsMayBeUnwritten,
  MemoryHalfWritten,
  BackupBeforeRestore,
  KeysPartlyDeleted,
  LogsPartlyDeleted,
  CtlPutItRight,
  CtlImportStopped,

  // Where qelctl takes the access code from besides --code; %s is the code file.
  CtlBadCodeFile,
  CtlBadCodeVariable,
  CtlCodeFileNotPrivate,

  // The key dialog's line on the key last presented at the reader, and the button that drops the
  // captured code; %s are the key's ID and its comment (or code), or the presented code.
  KeyPresentedHeld,
  KeyPresentedCaptured,
  KeyPresentedNotTaken,
  KeyPresentWaiting,
  KeyDialogReadAnother,
  KeyDialogClearCode,
  AccessibleKeyStatus,
  // The line above the key list after a key load cut short; %i is the number of keys listed.
  KeyLoadCutShort,
  AccessibleKeyLoadCutShort,
  // Several keys at once: deleting them and changing their floors. ConfirmDeleteKeys' %i is how
  // many; each key's line is ID, then comment and code; KeysMore's %i is how many lines are left out.
  ButtonChangeFloors,
  MenuDeleteKeys,
  ButtonStop,
  AccessibleStopButton,
  ConfirmDeleteKeys,
  ConfirmDeleteKeysLine,
  ConfirmDeleteKeysMore,
  ProgressDeletingKeys,
  ProgressChangingFloors,
  ChooseOneKey,
  FloorChangeNoKeys,
  FloorChangeEmpty,
  FloorChangeBoth,
  FloorChangeSkipped,
  FloorChangeNothing,
  FloorChangeCaption,
  FloorChangeKeys,
  FloorChangeAdd,
  FloorChangeRemove,
  // What a batch stopped by the operator, failed or ended did; %s list the keys' IDs.
  BatchStopped,
  BatchKeysDeleted,
  BatchKeysChanged,
  BatchKeysNotStarted,

  // What a typed key code must look like (after WrongKeyCode), then the rule it broke: %s the
  // character that is no digit, %i the number of digits typed.
  KeyCodeForms,
  KeyCodeNotDigit,
  KeyCodeLength,
  KeyCodeCheckEightByte,
  KeyCodeCheckTwelveChar,
  // The comment box's count: %i characters typed of %i the unit keeps.
  KeyDialogCommentCount,
  AccessibleCommentCount,
  KeyNoFloorsQuestion,
  // The unit's clock read at connect, against the PC's: %s how far ("7 min", "3 h", "40 d").
  ClockBehindWarning,
  ClockAheadWarning,
  ClockNotSetWarning,
  SummaryClockBehind,
  SummaryClockAhead,
  SummaryClockNotSet,
  // The main window's title while a unit is connected: %s is its elevator name.
  WindowTitleElevator,

  // The line beside the find box while it asks for a floor: the floor, the keys shown, all keys.
  KeyFilterFloorSummary,
  // The bar's text while keys load: the keys received so far, and the most the memory holds.
  KeyLoadProgress,
  // Printing the key list.
  ButtonPrint,
  MenuPrint,
  MenuSaveAsPdf,
  ColumnFloors,
  PrintKeyCount,
  PrintPageNumber,
  PrintOptionsTab,
  PrintOnlyShown,
  PrintPdfFiles,
  PrintPdfSaved,
  PrintFailed,
  // The import of keys from a CSV file in the window; a skipped line (%s: the line, the code); the
  // preview's summary (%s: keys to add, the time the save takes, lines skipped) and its tables.
  ArchiveImport,
  ImportCaption,
  ImportLineNoFreeSlot,
  ImportNothingToAdd,
  ImportSummary,
  ImportKeysHeader,
  ImportSkippedHeader,
  // A copy of the memory saved to a file on the PC; %s is the file.
  MemorySavedToPc,
  // qelctl --help and qel-kym --help on Windows: COM ports, the Windows folders and language.
  CtlHelpWindows,
  KymHelpWindows,

  Count
};

// The text of `id` in `language`, exactly as the table holds it (printf placeholders included).
std::string_view Tr(Text id, Language language);

// The text with its integer placeholders (%i, %d, %0.2d) filled in from `values`, in order.
std::string TrFormatInts(Text id, Language language, std::initializer_list<int> values);

// The text with its one integer placeholder (%i or %d) filled in.
std::string TrFormat(Text id, Language language, int value);

// The text with its %s placeholders filled in from `values`, in order; a placeholder without a
// value is left as it is.
std::string TrFormat(Text id, Language language, std::initializer_list<std::string_view> values);

}  // namespace qel
