// The commands that change single keys: add keys, edit key and delete key. Each asks the view for
// its dialog or question, changes the image and hands the records to the delete and save
// operations, which write them to the unit.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {
namespace {

constexpr std::chrono::milliseconds kWatchdogAfterEdit{1000};
// AddOneKey's answers.
constexpr int kStop = -1;
constexpr int kLastKey = 0;
constexpr int kNextKey = 2;

bool AllOf(const KeyCode& code, std::uint8_t value) {
  return std::all_of(code.begin(), code.end(), [value](std::uint8_t b) { return b == value; });
}

}  // namespace

void UnitController::AddKeys() {
  keysAdded = 0;
  saveQueue[0] = -1;
  saveQueuePos = 0;
  sequencer_.StopTimer(sequencer_.currentTimerId);
  sequencer_.DiscardInput();
  selection_.ForgetPick();
  ClearFloors();
  sequencer_.SendByte(unit::kDialogMark);
  // Keys recorded before a link loss never reach the unit; the image goes back to what it holds.
  const auto before = std::make_unique<ImageBytes>(image_.Bytes());

  int result = AddOneKey(keysAdded, true);
  while (result > kLastKey && keysAdded < kRunLimit) {
    if (result == kNextKey) ++keysAdded;
    result = AddOneKey(keysAdded, keysAdded < kNextKeyLimit);
  }
  if (result == kLastKey) ++keysAdded;
  if (!LinkSurvived()) {
    image_.Replace(*before, image_.RecordSize());
    RefillKeyList();
    return;
  }
  sequencer_.AppendLog(std::to_string(keysAdded));
  if (keysAdded < 1) {
    RestartWatchdog(kWatchdogPeriod);
    return;
  }
  sequencer_.AppendLog("");
  std::chrono::milliseconds total{};
  keysInDoubt_.clear();
  for (int i = 0; i < keysAdded; ++i) {
    total += SaveKeysOperation::Duration(image_, saveQueue[static_cast<std::size_t>(i)]);
    keysInDoubt_.push_back({saveQueue[static_cast<std::size_t>(i)], KeyMark::NotStored});
  }
  sequencer_.BeginProgress(total);
  StartSave();
  sequencer_.DisableCommands();
}

int UnitController::AddOneKey(int pass, bool nextKeyAllowed) {
  const std::optional<int> slot = image_.FirstFreeSlot();
  if (!slot) return kStop;
  KeyDialogSetup setup;
  setup.language = language();
  setup.addMode = true;
  setup.nextKeyAllowed = nextKeyAllowed;
  setup.maxCommentLength = image_.RecordSize() - static_cast<int>(kCommentOffset);
  setup.keyId = *slot;
  setup.image = &image_;
  for (;;) {
    sequencer_.DiscardInput();
    KeyDialog dialog(sequencer_, setup);
    const KeyDialogEnd end = view_.RunKeyDialog(dialog);
    if (!LinkSurvived() || end == KeyDialogEnd::Cancel) return kStop;
    if (ValidateNewKey(dialog.keyCode())) {
      image_.StoreRecord(*slot, dialog.keyCode(), dialog.floors(), dialog.commentText());
      RefillKeyList();
      saveQueue[static_cast<std::size_t>(pass)] = *slot;
      saveQueue[static_cast<std::size_t>(pass) + 1] = -1;
      sequencer_.AppendLog(Tr(Text::KeyRecorded, language()));
      return end == KeyDialogEnd::Ok ? kLastKey : kNextKey;
    }
    // The same ID is offered again with what the operator entered; only the code is asked anew.
    setup.codeRefused = true;
    setup.floors = dialog.floors();
    setup.commentText = dialog.commentText();
  }
}

bool UnitController::ValidateNewKey(const KeyCode& code) {
  const bool blank = AllOf(code, 0x00) || AllOf(code, 0xFF);
  if (blank) {
    const std::string_view text = Tr(Text::WrongKeyNumber, language());
    sequencer_.ReportError(AllOf(code, 0x00) ? 110 : 111, ErrorKind::Logged, text);
    view_.ShowMessageBox("", text);
    return false;
  }
  if (image_.IsDuplicateKeyCode(code)) {
    const int id = *image_.FindKeyCode(code);
    const std::string text =
        TrFormat(Text::KeyAlreadySaved, language(), {std::to_string(id), Cp1250ToUtf8(image_.KeyName(id))});
    view_.ShowMessageBox("", text);
    sequencer_.ReportError(112, ErrorKind::Logged, text);
    return false;
  }
  return true;
}

KeyDialogSetup UnitController::RecordSetup(int index) const {
  KeyDialogSetup setup;
  setup.language = language();
  setup.addMode = false;
  setup.nextKeyAllowed = false;
  setup.keyCode = image_.KeyCodeAt(index);
  setup.floors = image_.FloorsAt(index);
  setup.commentText = image_.CommentText(index);
  setup.maxCommentLength = image_.RecordSize() - static_cast<int>(kCommentOffset);
  setup.keyId = index;
  return setup;
}

void UnitController::StopForKeyDialog() {
  selection_.ForgetPick();
  ClearFloors();
  sequencer_.StopTimer(sequencer_.currentTimerId);
  sequencer_.DiscardInput();
  sequencer_.SendByte(unit::kDialogMark);
}

void UnitController::EditKey(int record) {
  StopForKeyDialog();
  KeyDialog dialog(sequencer_, RecordSetup(record));
  const KeyDialogEnd end = view_.RunKeyDialog(dialog);
  if (!LinkSurvived()) return;
  if (end == KeyDialogEnd::Replace) {
    ReplaceRecord(record);
    return;
  }
  if (end != KeyDialogEnd::Ok) {
    RestartWatchdog(kWatchdogAfterEdit);
    return;
  }
  RewriteRecord(record, dialog);
}

void UnitController::ReplaceKey(int record) {
  StopForKeyDialog();
  ReplaceRecord(record);
}

void UnitController::ReplaceRecord(int index) {
  KeyDialogSetup setup = RecordSetup(index);
  setup.addMode = true;
  setup.replacing = true;
  setup.image = &image_;
  std::optional<KeyDialog> dialog;
  KeyDialogEnd end = KeyDialogEnd::Cancel;
  for (;;) {
    sequencer_.DiscardInput();
    dialog.emplace(sequencer_, setup);
    end = view_.RunKeyDialog(*dialog);
    if (!LinkSurvived()) return;
    if (end != KeyDialogEnd::Ok || ValidateNewKey(dialog->keyCode())) break;
    // A refused code is asked for again with the floors and comment the operator entered.
    setup.floors = dialog->floors();
    setup.commentText = dialog->commentText();
  }
  const std::string comment = Cp1250ToUtf8(image_.CommentText(index));
  const std::string oldCode = Cp1250ToUtf8(KeyCodeToText(image_.KeyCodeAt(index)));
  const std::string newCode = Cp1250ToUtf8(KeyCodeToText(dialog->keyCode()));
  const std::string named = comment.empty() ? oldCode : comment + ", " + oldCode;
  // One confirmed step: the operator is told what stops working first.
  if (end != KeyDialogEnd::Ok ||
      !view_.AskYesNo(Tr(Text::ConfirmDeleteCaption, language()),
                      TrFormat(Text::ConfirmReplaceKey, language(), {std::to_string(index), named, newCode}),
                      DefaultAnswer::No) ||
      !LinkSurvived()) {
    if (LinkSurvived()) RestartWatchdog(kWatchdogAfterEdit);
    return;
  }
  sequencer_.AppendLog(TrFormat(Text::KeyReplaced, language(), {std::to_string(index), oldCode, newCode}));
  RewriteRecord(index, *dialog);
}

void UnitController::RewriteRecord(int index, const KeyDialog& dialog) {
  image_.StoreRecord(index, dialog.keyCode(), dialog.floors(), dialog.commentText());
  saveQueue[0] = index;
  saveQueue[1] = -1;
  RefillKeyList();
  editInProgress = true;
  deleteId = index;
  keysInDoubt_ = {{index, KeyMark::DeletionNotConfirmed}};
  sequencer_.BeginProgress(DeleteKeyOperation::kDuration + SaveKeysOperation::Duration(image_, index));
  sequencer_.SetProgressText(TrFormatInts(Text::ProgressSavingKey, language(), {1, 1, index}));
  sequencer_.AppendLog("");
  deleteKey_.Start();
  saveQueuePos = 0;
}

void UnitController::DeleteKey(int record) {
  selection_.ForgetPick();
  const std::string comment = Cp1250ToUtf8(image_.CommentText(record));
  const std::string code = Cp1250ToUtf8(KeyCodeToText(image_.KeyCodeAt(record)));
  const std::string named = comment.empty() ? code : comment + ", " + code;
  if (!view_.AskYesNo(Tr(Text::ConfirmDeleteCaption, language()),
                      TrFormat(Text::ConfirmDeleteKey, language(), {std::to_string(record), named}),
                      DefaultAnswer::No))
    return;
  if (!LinkSurvived()) return;
  deleteId = record;
  sequencer_.AppendLog(" ");
  ClearFloors();
  deletedCode_ = image_.KeyCodeAt(record);
  keysInDoubt_ = {{record, KeyMark::DeletionNotConfirmed}};
  image_.ZeroKeyCode(record);
  RefillKeyList();
  editInProgress = false;
  sequencer_.BeginProgress(DeleteKeyOperation::kDuration);
  sequencer_.SetProgressText(TrFormat(Text::ProgressDeletingKey, language(), record));
  deleteKey_.Start();
}

void UnitController::StartSave() {
  saveKeys_.step = 0;
  sequencer_.currentTimerId = sequencer_.StartTimer(kSaveKeyTimer, SaveKeysOperation::kPeriod);
  saveQueuePos = 0;
  if (sequencer_.currentTimerId < 0) KeyWriteStopped();
}

void UnitController::KeyDeletedForEdit(int record) {
  for (KeyInDoubt& key : keysInDoubt_)
    if (key.record == record) key.mark = KeyMark::DeletedNotStored;
}

void UnitController::RestartWatchdog(std::chrono::milliseconds period) {
  sequencer_.currentTimerId = sequencer_.StartTimer(kWatchdogTimer, period);
  if (sequencer_.currentTimerId < 0) return;
  watchdog_.step = 0;
  sequencer_.EnableCommands();
}

}  // namespace qel
