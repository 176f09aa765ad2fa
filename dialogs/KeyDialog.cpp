#include "dialogs/KeyDialog.h"

#include <utility>

#include "sequencer/Sequencer.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {

KeyDialog::KeyDialog(Sequencer& sequencer, KeyDialogSetup setup)
    : sequencer_(sequencer),
      setup_(std::move(setup)),
      keyCode_(setup_.keyCode),
      floors_(setup_.floors),
      commentText_(setup_.commentText),
      poll_(sequencer) {}

bool KeyDialog::Open(KeyDialogWindow& window, TimerHost& timers) {
  window_ = &window;
  timers_ = &timers;
  if (!timers.StartTimer(kTimerId, ReaderPoll::kPeriod)) {
    timers_ = nullptr;
    sequencer_.ShowTimerError();
    return false;
  }
  poll_.Restart();
  if (setup_.addMode) {
    if (!setup_.replacing && !setup_.codeRefused) floors_ = {};
    keyCode_ = {};
  }
  keyText_ = setup_.addMode ? std::string(kNoKeyText) : Cp1250ToUtf8(KeyCodeToText(keyCode_));
  window.ShowKeyText(keyText_);
  if (setup_.addMode) ShowStatus(std::string(Tr(Text::KeyPresentWaiting, language())));
  sequencer_.DiscardInput();
  manualEntry_ = false;
  allFloors_ = false;
  return true;
}

void KeyDialog::OnTimer() {
  switch (poll_.Tick()) {
    case ReaderPoll::Result::Waiting:
      return;
    case ReaderPoll::Result::LinkLost:
      StopPolling();
      poll_.ReportLinkLost();
      window_->DisableOk();
      return;
    case ReaderPoll::Result::Frame:
      if (setup_.addMode && !manualEntry_) JudgePresentedKey();
      return;
  }
}

void KeyDialog::JudgePresentedKey() {
  const std::optional<KeyCode> presented = poll_.Presented();
  if (!presented) return;
  const std::string code = Cp1250ToUtf8(KeyCodeToText(*presented));
  if (setup_.image != nullptr) {
    if (std::optional<std::string> held = ReaderPoll::HeldLine(*setup_.image, *presented, language())) {
      ShowStatus(std::move(*held));
      return;
    }
  }
  if (keyCode_ != KeyCode{} && *presented != keyCode_) {
    ShowStatus(TrFormat(Text::KeyPresentedNotTaken, language(), {code}));
    return;
  }
  keyCode_ = *presented;
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

namespace {

// What is wrong with a code the operator typed: the forms a code takes, and the rule it broke.
std::string WrongKeyCodeMessage(std::string_view typed, Language language) {
  std::string message = std::string(Tr(Text::WrongKeyCode, language)) + "\n" +
                        std::string(Tr(Text::KeyCodeForms, language)) + "\n";
  const KeyCodeFault fault = *FaultOfKeyCodeText(typed);
  switch (fault.rule) {
    case KeyCodeFault::Rule::Digit: {
      // The whole character, of however many UTF-8 bytes.
      std::size_t end = fault.at + 1;
      while (end < typed.size() && (static_cast<unsigned char>(typed[end]) & 0xC0) == 0x80) ++end;
      return message + TrFormat(Text::KeyCodeNotDigit, language,
                                {"\"" + std::string(typed.substr(fault.at, end - fault.at)) + "\""});
    }
    case KeyCodeFault::Rule::Length:
      return message + TrFormat(Text::KeyCodeLength, language, static_cast<int>(fault.length));
    case KeyCodeFault::Rule::Check:
      break;
  }
  return message +
         std::string(
             Tr(fault.length == 16 ? Text::KeyCodeCheckEightByte : Text::KeyCodeCheckTwelveChar, language));
}

}  // namespace

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
      return refuse(KeyVerdict::Refused::KeyCode, WrongKeyCodeMessage(*entry.typed, entry.language));
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
  if (!verdict.Taken())
    window_->ShowMessage(verdict.message, verdict.refused == KeyVerdict::Refused::KeyCode
                                              ? KeyField::KeyCode
                                              : KeyField::Comment);
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

bool KeyDialog::ConfirmFloors(const Floors& ticked) {
  if (ticked != Floors{} || noFloorsConfirmed_) return true;
  noFloorsConfirmed_ = window_->AskYesNo(Tr(Text::KeyNoFloorsQuestion, language()));
  return noFloorsConfirmed_;
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
