#include "sequencer/KeyDialog.h"

#include <algorithm>
#include <utility>

#include "link/UnitCommands.h"
#include "sequencer/Sequencer.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {
namespace {

bool AllZero(const KeyCode& code) {
  return std::all_of(code.begin(), code.end(), [](std::uint8_t b) { return b == 0x00; });
}

// A reader code passes the check of its form: bytes 8 to 11 zero mean the 8-byte form.
bool PassesItsCheck(const KeyCode& code) {
  const bool eightByte = std::all_of(code.begin() + 8, code.end(), [](std::uint8_t b) { return b == 0x00; });
  return eightByte ? IsValidEightByteCode(code) : IsValidTwelveCharCode(code);
}

}  // namespace

KeyDialog::KeyDialog(Sequencer& sequencer, KeyDialogSetup setup)
    : sequencer_(sequencer),
      setup_(std::move(setup)),
      keyCode_(setup_.keyCode),
      floors_(setup_.floors),
      commentText_(setup_.commentText) {}

bool KeyDialog::Open(KeyDialogWindow& window, TimerHost& timers) {
  window_ = &window;
  timers_ = &timers;
  if (!timers.StartTimer(kTimerId, kPollPeriod)) {
    timers_ = nullptr;
    sequencer_.ShowTimerError();
    return false;
  }
  pollState_ = 0;
  if (setup_.addMode) {
    if (!setup_.replacing && !setup_.codeRefused) floors_ = {};
    keyCode_ = {};
  }
  keyText_ = setup_.addMode ? std::string(kNoKeyText) : Cp1250ToUtf8(KeyCodeToText(keyCode_));
  window.ShowKeyText(keyText_);
  if (setup_.addMode) ShowStatus(std::string(Tr(Text::KeyPresentWaiting, language())));
  sequencer_.DiscardInput();
  idleTicks_ = 0;
  manualEntry_ = false;
  allFloors_ = false;
  return true;
}

void KeyDialog::OnTimer() {
  if (pollState_ == 0) {
    sequencer_.DiscardInput();
    sequencer_.SendByte(unit::kReadReader);
    pollState_ = 1;
    return;
  }
  const int n = sequencer_.ReadReply();
  idleTicks_ = n == 0 ? idleTicks_ + 1 : 0;
  if (idleTicks_ > kMaxIdleTicks) {
    StopPolling();
    sequencer_.ReportError(kLinkLostError, ErrorKind::LinkLost, "");
    window_->DisableOk();
    return;
  }
  if (setup_.addMode) {
    for (int i = 0; i < n; ++i) {
      const int position = pollState_ - 1 + i;
      if (position < static_cast<int>(replyFrame_.size()))
        replyFrame_[static_cast<std::size_t>(position)] = sequencer_.ReplyByte(i);
    }
  }
  pollState_ += n;
  if (pollState_ > unit::kReaderReplyLength) {
    if (setup_.addMode && !manualEntry_) JudgePresentedKey();
    pollState_ = 0;
  }
}

void KeyDialog::JudgePresentedKey() {
  KeyCode presented{};
  std::copy(replyFrame_.begin() + 1, replyFrame_.end(), presented.begin());
  // A code that fails its check was misread: nothing to take and no one to name.
  if (replyFrame_[0] == 0 || AllZero(presented) || !PassesItsCheck(presented)) return;
  const std::string code = Cp1250ToUtf8(KeyCodeToText(presented));
  if (setup_.image != nullptr && setup_.image->IsDuplicateKeyCode(presented)) {
    const int id = *setup_.image->FindKeyCode(presented);
    ShowStatus(TrFormat(Text::KeyPresentedHeld, language(),
                        {std::to_string(id), Cp1250ToUtf8(setup_.image->KeyName(id))}));
    return;
  }
  if (!AllZero(keyCode_) && presented != keyCode_) {
    ShowStatus(TrFormat(Text::KeyPresentedNotTaken, language(), {code}));
    return;
  }
  keyCode_ = presented;
  keyText_ = code;
  window_->ShowKeyText(keyText_);
  ShowStatus(TrFormat(Text::KeyPresentedCaptured, language(), {code}));
}

void KeyDialog::ShowStatus(std::string text) {
  if (text == status_) return;
  status_ = std::move(text);
  window_->ShowStatus(status_);
}

void KeyDialog::ReadAnotherKey() {
  keyCode_ = {};
  manualEntry_ = false;
  keyText_ = std::string(kNoKeyText);
  window_->ShowKeyText(keyText_);
  ShowStatus(std::string(Tr(Text::KeyPresentWaiting, language())));
}

void KeyDialog::ToggleManualEntry() {
  keyCode_ = {};
  manualEntry_ = !manualEntry_;
  keyText_ = manualEntry_ ? std::string() : std::string(kNoKeyText);
  window_->ShowKeyText(keyText_);
  // A typed code has nothing to do with the reader, whose line would only mislead.
  ShowStatus(manualEntry_ ? std::string() : std::string(Tr(Text::KeyPresentWaiting, language())));
}

KeyVerdict KeyDialog::Judge(const KeyEntry& entry) {
  KeyVerdict verdict;
  const auto refuse = [&verdict](KeyVerdict::Refused what, std::string message) {
    verdict.refused = what;
    verdict.message = std::move(message);
    return verdict;
  };
  if (entry.typed) {
    verdict.keyCode = KeyCodeFromText(*entry.typed);
    if (!verdict.keyCode)
      return refuse(KeyVerdict::Refused::KeyCode, std::string(Tr(Text::WrongKeyCode, entry.language)));
  }
  if (const std::optional<char32_t> bad = FirstUnstorableCharacter(entry.comment))
    return refuse(KeyVerdict::Refused::Comment,
                  TrFormat(Text::CommentUnstorableCharacter, entry.language, {DescribeCharacter(*bad)}));
  std::string encoded = Utf8ToCp1250(entry.comment).bytes;
  if (static_cast<int>(encoded.size()) > entry.maxCommentLength)
    return refuse(KeyVerdict::Refused::Comment,
                  TrFormat(Text::CommentTooLong, entry.language, entry.maxCommentLength));
  verdict.commentText = std::move(encoded);
  return verdict;
}

KeyVerdict KeyDialog::JudgeShown(std::optional<std::string_view> typed, std::string_view comment) {
  KeyVerdict verdict = Judge({typed, comment, setup_.maxCommentLength, language()});
  if (!verdict.Taken()) window_->ShowMessage(verdict.message);
  return verdict;
}

void KeyDialog::OnKeyCodeLeft(std::string_view typed) {
  // An empty box has nothing to judge yet; OK will, should it stay empty.
  if (manualEntry_ && !typed.empty()) keyCode_ = JudgeShown(typed, {}).keyCode.value_or(KeyCode{});
}

bool KeyDialog::ToggleAllFloors() {
  allFloors_ = !allFloors_;
  return allFloors_;
}

void KeyDialog::OnCommentLeft(std::string_view comment) { JudgeShown(std::nullopt, comment); }

bool KeyDialog::Accept(std::string_view typed, std::string_view comment) {
  KeyVerdict verdict = JudgeShown(manualEntry_ ? std::optional(typed) : std::nullopt, comment);
  if (manualEntry_) keyCode_ = verdict.keyCode.value_or(KeyCode{});
  if (!verdict.Taken()) return false;
  commentText_ = std::move(verdict.commentText);
  return true;
}

void KeyDialog::Close(const Floors& ticked) {
  StopPolling();
  floors_ = ticked;
}

void KeyDialog::StopPolling() {
  if (timers_ != nullptr) timers_->StopTimer(kTimerId);
  timers_ = nullptr;
}

}  // namespace qel
