#include "sequencer/ReaderPoll.h"

#include <algorithm>
#include <utility>

#include "link/UnitCommands.h"
#include "sequencer/Sequencer.h"
#include "sequencer/UnitEvents.h"
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

void ReaderPoll::Restart() {
  pollState_ = 0;
  idleTicks_ = 0;
}

ReaderPoll::Result ReaderPoll::Tick() {
  if (pollState_ == 0) {
    s_.DiscardInput();
    s_.SendByte(unit::kReadReader);
    pollState_ = 1;
    return Result::Waiting;
  }
  const int n = s_.ReadReply();
  idleTicks_ = n == 0 ? idleTicks_ + 1 : 0;
  if (idleTicks_ > kMaxIdleTicks) return Result::LinkLost;
  for (int i = 0; i < n; ++i) {
    const int position = pollState_ - 1 + i;
    if (position < static_cast<int>(replyFrame_.size()))
      replyFrame_[static_cast<std::size_t>(position)] = s_.ReplyByte(i);
  }
  pollState_ += n;
  if (pollState_ <= unit::kReaderReplyLength) return Result::Waiting;
  pollState_ = 0;
  return Result::Frame;
}

void ReaderPoll::ReportLinkLost() { s_.ReportError(kLinkLostError, ErrorKind::LinkLost, ""); }

std::optional<KeyCode> ReaderPoll::Presented() const {
  KeyCode presented{};
  std::copy(replyFrame_.begin() + 1, replyFrame_.end(), presented.begin());
  // A code that fails its check was misread: nothing to take and no one to name.
  if (replyFrame_[0] == 0 || AllZero(presented) || !PassesItsCheck(presented)) return std::nullopt;
  return presented;
}

std::optional<std::string> ReaderPoll::HeldLine(const KeyMemoryImage& image, const KeyCode& code,
                                                Language language) {
  if (!image.IsDuplicateKeyCode(code)) return std::nullopt;
  const int id = *image.FindKeyCode(code);
  return TrFormat(Text::KeyPresentedHeld, language, {std::to_string(id), Cp1250ToUtf8(image.KeyName(id))});
}

ReaderWaitOperation::ReaderWaitOperation(Sequencer& sequencer, const KeyMemoryImage& image,
                                         UnitEvents& events)
    : Operation(OperationKind::ReaderWait), s_(sequencer), image_(image), events_(events), poll_(sequencer) {}

void ReaderWaitOperation::Begin() {
  poll_.Restart();
  ticks_ = 0;
  taken_.reset();
  timedOut_ = false;
  status_.clear();
  ShowStatus(std::string(Tr(Text::KeyPresentWaiting, s_.language())));
  // As the key dialog's opening reads the line, on the timer's first period.
  s_.DiscardInput();
}

Outcome ReaderWaitOperation::Tick() {
  if (timedOut_) {
    events_.KeyFromReader(std::nullopt);
    return Outcome::Done;
  }
  const ReaderPoll::Result result = poll_.Tick();
  if (result == ReaderPoll::Result::LinkLost) {
    // The error halts the runner, so no tick comes under its box.
    poll_.ReportLinkLost();
    return Outcome::Failed;
  }
  const std::optional<KeyCode> presented =
      result == ReaderPoll::Result::Frame ? poll_.Presented() : std::nullopt;
  if (presented) {
    if (std::optional<std::string> held = ReaderPoll::HeldLine(image_, *presented, s_.language())) {
      ShowStatus(std::move(*held));
    } else {
      taken_ = presented;
      ShowStatus(
          TrFormat(Text::KeyPresentedCaptured, s_.language(), {Cp1250ToUtf8(KeyCodeToText(*presented))}));
      events_.KeyFromReader(presented);
      return Outcome::Done;
    }
  }
  // The timeout counts the poll's ticks; the tick that reaches it may still take a key.
  if (++ticks_ < key_.timeout / ReaderPoll::kPeriod) return Outcome::Going;
  timedOut_ = true;
  return s_.Repace(kOpeningRead) ? Outcome::Going : Outcome::Failed;
}

void ReaderWaitOperation::ShowStatus(std::string text) {
  if (text == status_) return;
  status_ = std::move(text);
  key_.status(status_);
}

}  // namespace qel
