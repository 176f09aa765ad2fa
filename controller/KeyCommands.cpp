// The commands that change single keys: add keys, edit key and delete key. Each asks the view for
// its dialog or question, changes the image and hands the records to the delete and save
// operations, which write them to the unit.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "controller/UnitController.h"
#include "link/UnitCommands.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {
namespace {

// AddOneKey's answers.
constexpr int kStop = -1;
constexpr int kLastKey = 0;
constexpr int kNextKey = 2;

bool AllOf(const KeyCode& code, std::uint8_t value) {
  return std::all_of(code.begin(), code.end(), [value](std::uint8_t b) { return b == value; });
}

}  // namespace

void UnitController::AddKeys() {
  StopForKeyDialog();
  // Keys recorded before a link loss never reach the unit; the image goes back to what it holds.
  const auto before = std::make_unique<ImageBytes>(image_.Bytes());

  std::vector<int> added;
  int result = AddOneKey(added, true);
  while (result > kLastKey && static_cast<int>(added.size()) < kRunLimit)
    result = AddOneKey(added, static_cast<int>(added.size()) < kNextKeyLimit);
  if (!LinkSurvived()) {
    image_.Replace(*before, image_.RecordSize());
    RefillKeyList();
    return;
  }
  EndAddRun(std::move(added));
}

bool UnitController::SaveKeys(std::vector<int> records) {
  std::chrono::milliseconds total{};
  for (const int record : records) total += SaveKeysOperation::Duration(image_, record);
  ledger_.SaveStarting(records);
  sequencer_.BeginProgress(total);
  saveKeys_.Aim(std::move(records));
  return sequencer_.Run(ChainOf(Job::SaveKeys));
}

int UnitController::AddOneKey(std::vector<int>& added, bool nextKeyAllowed) {
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
    if (RecordNewKey(*slot, dialog.keyCode(), dialog.floors(), dialog.commentText(), added))
      return end == KeyDialogEnd::Ok ? kLastKey : kNextKey;
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
  sequencer_.Hold();
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
    sequencer_.Rest(kWatchdogAfterEdit);
    return;
  }
  RewriteRecord(record, dialog.keyCode(), dialog.floors(), dialog.commentText());
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
    if (LinkSurvived()) sequencer_.Rest(kWatchdogAfterEdit);
    return;
  }
  sequencer_.AppendLog(TrFormat(Text::KeyReplaced, language(), {std::to_string(index), oldCode, newCode}));
  RewriteRecord(index, dialog->keyCode(), dialog->floors(), dialog->commentText());
}

std::string UnitController::KeyNamed(int record) const {
  const std::string comment = Cp1250ToUtf8(image_.CommentText(record));
  const std::string code = Cp1250ToUtf8(KeyCodeToText(image_.KeyCodeAt(record)));
  return comment.empty() ? code : comment + ", " + code;
}

void UnitController::DeleteKey(int record) {
  selection_.ForgetPick();
  if (!view_.AskYesNo(
          Tr(Text::ConfirmDeleteCaption, language()),
          TrFormat(Text::ConfirmDeleteKey, language(), {std::to_string(record), KeyNamed(record)}),
          DefaultAnswer::No))
    return;
  if (!LinkSurvived()) return;
  sequencer_.AppendLog(" ");
  ClearFloors();
  ledger_.DeleteStarting(record, image_.KeyCodeAt(record));
  image_.ZeroKeyCode(record);
  RefillKeyList();
  sequencer_.BeginProgress(DeleteKeyOperation::kDuration);
  sequencer_.SetProgressText(TrFormat(Text::ProgressDeletingKey, language(), record));
  deleteKey_.Aim(record, false);
  sequencer_.Run(ChainOf(Job::DeleteKey));
}

}  // namespace qel
