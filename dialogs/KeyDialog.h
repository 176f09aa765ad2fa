#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "keystore/KeyMemoryImage.h"
#include "sequencer/ReaderPoll.h"
#include "texts/Language.h"

namespace qel {

class Sequencer;
class TimerHost;

// How the operator left the key dialog.
// Replace: the edit dialog hands its key on to be replaced by another one.
enum class KeyDialogEnd { Ok, Cancel, NextKey, Replace };

// The entries of the key dialog a refusal can be about.
enum class KeyField { KeyCode, Comment };

// The key dialog's window as its logic sees it.
class KeyDialogWindow {
 public:
  virtual ~KeyDialogWindow() = default;
  // The text of the key code box (UTF-8).
  virtual void ShowKeyText(std::string_view text) = 0;
  // The link is gone: OK can no longer be pressed.
  virtual void DisableOk() = 0;
  // A box with an OK button and the application's caption, telling why the entry in `about` was
  // refused; the focus then goes back to that entry.
  virtual void ShowMessage(std::string_view text, KeyField about) = 0;
  // A question with Yes and No buttons, No the one Enter presses; true for Yes.
  virtual bool AskYesNo(std::string_view text) = 0;
  // The line that says which key was presented at the reader last and what came of it (UTF-8);
  // called only when it changes.
  virtual void ShowStatus(std::string_view text) = 0;
};

// What the command that shows the dialog gives it.
struct KeyDialogSetup {
  Language language = Language::English;
  bool addMode = true;
  bool nextKeyAllowed = true;
  int maxCommentLength = kDefaultRecordSize - static_cast<int>(kCommentOffset);
  int keyId = 0;
  KeyCode keyCode{};
  Floors floors{};
  std::string commentText;  // Windows-1250
  // A new key for a lost one: read or typed as in add mode, with the lost key's floors and comment.
  bool replacing = false;
  // The code entered in an earlier dialog for this ID was refused: the floors ticked there are
  // offered again instead of none.
  bool codeRefused = false;
  // The keys the unit holds (add mode): one of them presented at the reader is never taken as
  // the new key. None: every key presented counts as new.
  const KeyMemoryImage* image = nullptr;
};

// What the key dialog judges: the boxes as the operator left them.
struct KeyEntry {
  std::optional<std::string_view> typed;  // the key code box (UTF-8), when the code is typed
  std::string_view comment;               // UTF-8
  int maxCommentLength = kDefaultRecordSize - static_cast<int>(kCommentOffset);
  Language language = Language::English;
};

// The key as the unit can take it, or why not.
struct KeyVerdict {
  enum class Refused { Nothing, KeyCode, Comment };
  Refused refused = Refused::Nothing;
  std::string message;             // why, in the entry's language
  std::optional<KeyCode> keyCode;  // the typed code, when it was typed and is valid
  std::string commentText;         // Windows-1250, when taken
  bool Taken() const { return refused == Refused::Nothing; }
};

// The logic of the key dialog, free of any widget: in add mode it polls the unit's reader every
// 50 ms on a timer of its own and shows the code of the key held there, or takes a typed code; it
// judges the code and the comment, and hands the key to the command that opened it. A code once
// captured stays until the operator asks for another: a key presented later (a resident using the
// lift meanwhile) is only named on the status line. A window (or a command-line front end)
// forwards its events here and draws what it is told.
class KeyDialog {
 public:
  static constexpr int kTimerId = 1;
  static constexpr std::string_view kNoKeyText = "------------";

  KeyDialog(Sequencer& sequencer, KeyDialogSetup setup);

  // What OK judges, without a window, a timer or the unit: a typed code first, then the comment.
  static KeyVerdict Judge(const KeyEntry& entry);

  const KeyDialogSetup& setup() const { return setup_; }
  Language language() const { return setup_.language; }
  bool addMode() const { return setup_.addMode; }

  // The dialog appears: starts the poll timer and shows the key text. False ("Timer error!"
  // shown) when the timer cannot start; the dialog then shows what it was given and polls nothing.
  bool Open(KeyDialogWindow& window, TimerHost& timers);
  // One tick of the dialog's timer.
  void OnTimer();

  // The manual-entry box was clicked: the code is cleared, and the key code box opens for typing
  // (empty, the status line too) or closes (showing no key, and the reader is awaited).
  void ToggleManualEntry();
  bool manualEntry() const { return manualEntry_; }
  // "Read another key", or the code box cleared: the captured code goes, manual entry ends, and the
  // next new key presented at the reader is taken.
  void ReadAnotherKey();
  // The focus left the key code box: a typed code is taken, or rejected with a message.
  void OnKeyCodeLeft(std::string_view typed);
  // "All" was clicked: whether every floor box is now to be ticked (odd clicks) or cleared.
  bool ToggleAllFloors();
  // The focus left the comment box (UTF-8): a comment the unit cannot hold is reported.
  void OnCommentLeft(std::string_view comment);
  // OK or "Insert next key": judges the typed code and the comment once more, since Enter accepts
  // without leaving either box. True takes them; false (the operator told why) keeps the dialog open.
  bool Accept(std::string_view typed, std::string_view comment);
  // After Accept: a key that opens no floor is saved only once the operator has said so, asked
  // once per dialog. True when the key may be saved with `ticked`.
  bool ConfirmFloors(const Floors& ticked);
  // The dialog goes away, however it ends: the poll stops and the ticked floors are taken.
  void Close(const Floors& ticked);

  // The key to store, valid after Accept and Close.
  const KeyCode& keyCode() const { return keyCode_; }
  const Floors& floors() const { return floors_; }
  const std::string& commentText() const { return commentText_; }  // Windows-1250
  const std::string& keyText() const { return keyText_; }          // UTF-8

 private:
  void JudgePresentedKey();
  void ShowStatus(std::string text);
  // Judges the boxes with this dialog's limit and language; a refusal is shown.
  KeyVerdict JudgeShown(std::optional<std::string_view> typed, std::string_view comment);
  void StopPolling();

  Sequencer& sequencer_;
  KeyDialogSetup setup_;
  KeyDialogWindow* window_ = nullptr;
  TimerHost* timers_ = nullptr;

  KeyCode keyCode_{};
  Floors floors_{};
  std::string commentText_;
  std::string keyText_;
  std::string status_;  // UTF-8, as last shown
  bool manualEntry_ = false;
  bool allFloors_ = false;
  bool noFloorsConfirmed_ = false;
  ReaderPoll poll_;
};

}  // namespace qel
