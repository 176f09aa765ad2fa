#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "keystore/KeyMemoryImage.h"
#include "sequencer/OperationRunner.h"
#include "texts/Language.h"

namespace qel {

class Sequencer;
class UnitEvents;

// The poll of the unit's reader, one step per 50 ms tick: 0x6B out, then the 13-byte reply read
// as it comes. Shared by the key dialog and the wait for a key at the reader, so that both send
// the same bytes on the same ticks and give up on a silent unit alike.
class ReaderPoll {
 public:
  static constexpr std::chrono::milliseconds kPeriod{50};
  // Ticks without a reply byte before the link counts as lost (about 10 s).
  static constexpr int kMaxIdleTicks = 200;
  static constexpr int kLinkLostError = 501;

  enum class Result {
    Waiting,   // the reply is not whole yet
    Frame,     // a whole reply came: Presented() tells what it holds
    LinkLost,  // the unit fell silent: the poll must stop, then ReportLinkLost
  };

  explicit ReaderPoll(Sequencer& sequencer) : s_(sequencer) {}

  // The next tick polls afresh.
  void Restart();
  Result Tick();
  // Error 501, once the ticks have stopped: a box is modal, and the poll must not go on under it.
  void ReportLinkLost();
  // The key code of the last whole reply, unless no key was held or it failed the check of its
  // form (a misread).
  std::optional<KeyCode> Presented() const;
  // The status line for `code` presented while `image` holds it already; none for a new key.
  static std::optional<std::string> HeldLine(const KeyMemoryImage& image, const KeyCode& code,
                                             Language language);

 private:
  Sequencer& s_;
  // 0: the next tick polls; k >= 1: polled, and k - 1 reply bytes have arrived.
  int pollState_ = 0;
  int idleTicks_ = 0;
  std::array<std::uint8_t, 13> replyFrame_{};
};

// What to store of a key awaited at the reader.
struct ReaderKey {
  Floors floors{};
  std::string comment;  // UTF-8
  std::chrono::seconds timeout{30};
  // Each change of the line that says who came to the reader (UTF-8).
  std::function<void(std::string_view)> status = [](std::string_view) {};
};

// Polls the reader until a key the unit does not hold yet is presented, then hands it to the
// controller, which stores and saves it; a key the unit holds is only named on the status line.
// Without one before the timeout, the controller is told so.
class ReaderWaitOperation final : public Operation {
 public:
  // The timeout runs from after the opening read of the line, which waits out the port's read
  // timeout: the unit is silent after the dialog mark.
  static constexpr std::chrono::milliseconds kOpeningRead{10};

  ReaderWaitOperation(Sequencer& sequencer, const KeyMemoryImage& image, UnitEvents& events);

  void Aim(ReaderKey key) { key_ = std::move(key); }
  const ReaderKey& key() const { return key_; }
  // The new key the last wait took, if it took one; none after a timeout or a lost link.
  const std::optional<KeyCode>& taken() const { return taken_; }
  // Whether the last wait ended without a new key before its timeout.
  bool timedOut() const { return timedOut_; }

  std::chrono::milliseconds Period() const override { return ReaderPoll::kPeriod; }
  void Begin() override;
  Outcome Tick() override;

 private:
  void ShowStatus(std::string text);

  Sequencer& s_;
  const KeyMemoryImage& image_;
  UnitEvents& events_;
  ReaderPoll poll_;
  ReaderKey key_;
  std::string status_;
  int ticks_ = 0;
  std::optional<KeyCode> taken_;
  bool timedOut_ = false;
};

}  // namespace qel
