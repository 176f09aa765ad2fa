#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "keystore/KeyMemoryImage.h"
#include "sequencer/ClockPoll.h"
#include "sequencer/UnitSettings.h"
#include "texts/Language.h"

namespace qel {

class Sequencer;
class TimerHost;

// The settings dialog's window as its logic sees it.
class SettingsDialogWindow {
 public:
  // The boxes a failed check sends the focus back to.
  enum class Field { AccessTime, CommentLength, ElevatorName };

  virtual ~SettingsDialogWindow() = default;
  // The unit's clock as text, and whether "set the time according to PC" may be ticked.
  virtual void ShowClock(std::string_view text, bool clockSettable) = 0;
  // The link is gone: OK can no longer be pressed.
  virtual void DisableOk() = 0;
  // A box with an OK button and the application's caption.
  virtual void ShowMessage(std::string_view text) = 0;
  // A question with Yes and No buttons; true for Yes.
  virtual bool AskYesNo(std::string_view text) = 0;
  // The access-code prompt (the connect dialog's code-only mode); none when cancelled.
  virtual std::optional<int> AskAccessCode(std::string_view prompt) = 0;
  virtual void FocusField(Field field) = 0;
};

// What the settings command gives the dialog: the unit's settings as the program holds them.
struct SettingsDialogSetup {
  Language language = Language::English;
  int accessTime = 5;  // 0 = permanent access
  int commentLength = kDefaultRecordSize - static_cast<int>(kCommentOffset);
  bool relayInversion = false;
  bool mainRelayInversion = false;
  std::string elevatorName;  // UTF-8
  int accessCode = 0;
};

// What the boxes hold when the operator presses OK, as typed.
struct SettingsEntries {
  std::string accessTime;
  std::string commentLength;
  std::string elevatorName;  // UTF-8
  bool permanentAccess = false;
  bool relayInversion = false;
  bool mainRelayInversion = false;
  bool setClock = false;
};

// The boxes as the unit will take them, or why not and where the focus goes back to.
struct SettingsVerdict {
  std::string message;  // why not, in the setup's language; empty when taken
  SettingsDialogWindow::Field field = SettingsDialogWindow::Field::AccessTime;
  int accessTime = 0;
  int commentLength = 0;
  std::string elevatorName;  // Windows-1250
  bool nameChanged = false;
  bool Taken() const { return message.empty(); }
};

// The logic of the settings dialog, free of any widget: it shows the unit's clock live (asking
// every second on a timer of its own, and reporting the link lost when the unit falls silent),
// runs the three-prompt access-code change and judges the boxes at OK. The settings command reads
// the accepted values afterwards.
class SettingsDialog {
 public:
  static constexpr int kTimerId = 1;
  static constexpr int kMinAccessTime = 3;
  static constexpr int kMinCommentLength = 5;
  static constexpr int kMaxCommentLength = kMaxRecordSize - static_cast<int>(kCommentOffset);
  static constexpr int kMaxNameLength = 49;
  // Shown while the permanent access box keeps the access-time box disabled.
  static constexpr int kAccessTimeUnderPermanent = 5;
  static constexpr std::string_view kNoValue = "---";

  SettingsDialog(Sequencer& sequencer, const KeyMemoryImage& image, SettingsDialogSetup setup);

  // What OK judges, without a window, a timer or the unit: the ranges, then the name; a name
  // left as `setup` gives it is not judged for its characters. A new comment length still needs
  // the operator's consent (Accept asks for it).
  static SettingsVerdict Judge(const SettingsEntries& entries, const SettingsDialogSetup& setup);

  const SettingsDialogSetup& setup() const { return setup_; }
  Language language() const { return setup_.language; }
  bool permanentAccessAtOpen() const { return setup_.accessTime == 0; }
  // The access time the box shows when the dialog opens.
  int accessTimeAtOpen() const;

  // The dialog appears: the clock poll starts ("Timer error!" and false when it cannot).
  bool Open(SettingsDialogWindow& window, TimerHost& timers);
  // One tick of the dialog's timer.
  void OnTimer();

  // The question before a new comment length: what relaying `image` out to it costs.
  static std::string RelayoutQuestion(const KeyMemoryImage& image, int newCommentLength, Language language);
  // The number of records that the typed comment length leaves room for, or "---".
  static std::string KeyCountText(std::string_view typedLength);
  // The focus left the comment-length box: the operator is warned what a change can cost.
  void OnCommentLengthLeft();
  // The three prompts of the access-code change.
  void ChangeAccessCode();

  // OK: judges the boxes and, when the comment length changes, tells what it costs and asks. True
  // takes the values; false (the operator told why) keeps the dialog open.
  bool Accept(const SettingsEntries& entries);
  // The dialog goes away, however it ends: the poll stops and stale replies are dropped.
  void Close();

  // The accepted values, valid after Accept.
  const SettingsEntries& entries() const { return entries_; }
  int accessTime() const { return accessTime_; }
  int commentLength() const { return commentLength_; }
  const std::string& elevatorName() const { return elevatorName_; }  // Windows-1250
  bool nameChanged() const { return nameChanged_; }
  int accessCode() const { return accessCode_; }
  bool accessCodeChanged() const { return accessCodeChanged_; }

 private:
  Sequencer& sequencer_;
  const KeyMemoryImage& image_;
  SettingsDialogSetup setup_;
  SettingsDialogWindow* window_ = nullptr;
  TimerHost* timers_ = nullptr;
  ClockPoll poll_;

  SettingsEntries entries_;
  int accessTime_ = 0;
  int commentLength_ = 0;
  std::string elevatorName_;
  bool nameChanged_ = false;
  int accessCode_ = 0;
  bool accessCodeChanged_ = false;
};

}  // namespace qel
