#include "dialogs/SettingsDialog.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "sequencer/Sequencer.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {
namespace {

// Code points in valid UTF-8 (continuation bytes are not counted).
int CharacterCount(std::string_view utf8) {
  return static_cast<int>(std::count_if(
      utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// A box's number as typed: at most four digits, from min to max.
std::optional<int> BoxNumber(std::string_view text, int min, int max) {
  const bool digits = !text.empty() && text.size() <= 4 &&
                      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  const int value = digits ? std::stoi(std::string(text)) : -1;
  if (digits && value >= min && value <= max) return value;
  return std::nullopt;
}

std::string LiveClockText(const UnitClock& c, Language language) {
  if (language == Language::Czech)
    return TrFormatInts(Text::LiveClock, language, {c.day, c.month, c.year, c.hour, c.minute, c.second});
  return TrFormatInts(Text::LiveClock, language, {c.year, c.month, c.day, c.hour, c.minute, c.second});
}

}  // namespace

SettingsDialog::SettingsDialog(Sequencer& sequencer, const KeyMemoryImage& image, SettingsDialogSetup setup)
    : sequencer_(sequencer),
      image_(image),
      setup_(std::move(setup)),
      poll_(sequencer),
      accessCode_(setup_.accessCode) {}

int SettingsDialog::accessTimeAtOpen() const {
  return permanentAccessAtOpen() ? kAccessTimeUnderPermanent : setup_.accessTime;
}

bool SettingsDialog::Open(SettingsDialogWindow& window, TimerHost& timers) {
  window_ = &window;
  accessCodeChanged_ = false;
  accessCode_ = setup_.accessCode;
  poll_.Restart();
  window.ShowClock(kNoValue, false);
  if (!timers.StartTimer(kTimerId, ClockPoll::kPeriod)) {
    sequencer_.ShowTimerError();
    return false;
  }
  timers_ = &timers;
  return true;
}

void SettingsDialog::OnTimer() {
  switch (poll_.Tick()) {
    case ClockPoll::Result::Waiting:
      return;
    case ClockPoll::Result::Clock: {
      const bool running = !poll_.clock().IsZero();
      window_->ShowClock(running ? LiveClockText(poll_.clock(), language()) : std::string(kNoValue), running);
      return;
    }
    case ClockPoll::Result::LinkLost:
      timers_->StopTimer(kTimerId);
      timers_ = nullptr;
      poll_.ReportLinkLost();
      window_->DisableOk();
      return;
  }
}

std::string SettingsDialog::KeyCountText(std::string_view typed) {
  std::size_t i = 0;
  while (i < typed.size() && std::isspace(static_cast<unsigned char>(typed[i])) != 0) ++i;
  const bool negative = i < typed.size() && typed[i] == '-';
  if (i < typed.size() && (typed[i] == '-' || typed[i] == '+')) ++i;
  long n = 0;
  for (;
       i < typed.size() && std::isdigit(static_cast<unsigned char>(typed[i])) != 0 && n <= kMaxCommentLength;
       ++i)
    n = n * 10 + (typed[i] - '0');
  if (negative && n != 0) return std::string(kNoValue);
  if (n > kMaxCommentLength) return std::string(kNoValue);
  return std::to_string(SearchedRecordCount(static_cast<int>(n) + static_cast<int>(kCommentOffset)));
}

void SettingsDialog::OnCommentLengthLeft() {
  window_->ShowMessage(Tr(Text::CommentLengthWarning, language()));
}

void SettingsDialog::ChangeAccessCode() {
  const std::optional<int> current = window_->AskAccessCode(Tr(Text::EnterCurrentAccessCode, language()));
  if (!current) return;
  if (*current != accessCode_) {
    window_->ShowMessage(Tr(Text::InvalidCurrentAccessCode, language()));
    return;
  }
  const std::optional<int> first = window_->AskAccessCode(Tr(Text::EnterNewAccessCode, language()));
  if (!first) return;
  const std::optional<int> second = window_->AskAccessCode(Tr(Text::ReenterNewAccessCode, language()));
  if (!second) return;
  if (*first != *second) {
    window_->ShowMessage(Tr(Text::AccessCodesDiffer, language()));
    return;
  }
  accessCode_ = *first;
  window_->ShowMessage(Tr(Text::NewAccessCodeAccepted, language()));
  accessCodeChanged_ = true;
}

SettingsVerdict SettingsDialog::Judge(const SettingsEntries& entries, const SettingsDialogSetup& setup) {
  using Field = SettingsDialogWindow::Field;
  SettingsVerdict verdict;
  const auto refuse = [&verdict](Field field, std::string message) {
    verdict.field = field;
    verdict.message = std::move(message);
    return verdict;
  };
  // The access time is judged even while permanent access keeps its box disabled.
  const std::optional<int> accessTime = BoxNumber(entries.accessTime, kMinAccessTime, kMaxAccessTime);
  if (!accessTime)
    return refuse(Field::AccessTime,
                  TrFormatInts(Text::EnterWholeNumber, setup.language, {kMinAccessTime, kMaxAccessTime}));
  const std::optional<int> commentLength =
      BoxNumber(entries.commentLength, kMinCommentLength, kMaxCommentLength);
  if (!commentLength)
    return refuse(Field::CommentLength, TrFormatInts(Text::EnterWholeNumber, setup.language,
                                                     {kMinCommentLength, kMaxCommentLength}));
  const std::string_view name = entries.elevatorName;
  verdict.nameChanged = name != setup.elevatorName;
  if (CharacterCount(name) > kMaxNameLength)
    return refuse(Field::ElevatorName, TrFormat(Text::NameTooLong, setup.language, kMaxNameLength));
  // The unit ends the name at 0xFF and takes control bytes for commands; a name it was given
  // unchanged is sent back as it came.
  if (const std::optional<char32_t> c = FirstUnstorableCharacter(name); c && verdict.nameChanged)
    return refuse(Field::ElevatorName,
                  TrFormat(Text::NameUnstorableCharacter, setup.language, {DescribeCharacter(*c)}));
  verdict.accessTime = *accessTime;
  verdict.commentLength = *commentLength;
  verdict.elevatorName = Utf8ToCp1250(name).bytes;
  return verdict;
}

bool SettingsDialog::Accept(const SettingsEntries& entries) {
  using Field = SettingsDialogWindow::Field;
  const SettingsVerdict verdict = Judge(entries, setup_);
  if (!verdict.Taken()) {
    window_->ShowMessage(verdict.message);
    window_->FocusField(verdict.field);
    return false;
  }
  if (verdict.commentLength != setup_.commentLength &&
      !window_->AskYesNo(RelayoutQuestion(image_, verdict.commentLength, language()))) {
    window_->FocusField(Field::CommentLength);
    return false;
  }
  entries_ = entries;
  accessTime_ = verdict.accessTime;
  commentLength_ = verdict.commentLength;
  nameChanged_ = verdict.nameChanged;
  elevatorName_ = verdict.elevatorName;
  return true;
}

void SettingsDialog::Close() {
  sequencer_.DiscardInput();
  if (timers_ != nullptr) timers_->StopTimer(kTimerId);
  timers_ = nullptr;
}

std::string SettingsDialog::RelayoutQuestion(const KeyMemoryImage& image, int newCommentLength,
                                             Language language) {
  const RelayoutLosses losses =
      CountRelayoutLosses(image, newCommentLength + static_cast<int>(kCommentOffset));
  return std::string(Tr(Text::CommentLengthWarning, language)) +
         TrFormatInts(Text::CommentLengthLosses, language, {losses.keysDropped, losses.commentsCut});
}

}  // namespace qel
