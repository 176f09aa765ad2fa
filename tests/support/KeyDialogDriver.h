#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "sequencer/KeyDialog.h"
#include "sim/VirtualClock.h"
#include "tests/support/VirtualTimerHost.h"

namespace qel::test {

// Plays the key dialog's window and its operator on the virtual clock: the dialog's own timer
// ticks while the main window's timers are stopped.
class KeyDialogDriver final : public KeyDialogWindow {
 public:
  explicit KeyDialogDriver(sim::VirtualClock& clock) : timers(clock) {}

  void ShowKeyText(std::string_view text) override { keyTexts.emplace_back(text); }
  void DisableOk() override { okDisabled = true; }
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }

  // Opens `dialog` and lets its timer tick for `duration`.
  void OpenAndRun(KeyDialog& dialog, std::chrono::milliseconds duration) {
    opened = dialog.Open(*this, timers);
    RunFor(dialog, duration);
  }
  void RunFor(KeyDialog& dialog, std::chrono::milliseconds duration);
  // OK or "Insert next key" with the boxes as given; Cancel when the dialog refuses them.
  KeyDialogEnd Accept(KeyDialog& dialog, KeyDialogEnd end, const Floors& floors, std::string_view comment,
                      std::string_view typed = "");
  KeyDialogEnd Cancel(KeyDialog& dialog) {
    dialog.Close(dialog.floors());
    return KeyDialogEnd::Cancel;
  }

  VirtualTimerHost timers;
  bool opened = false;
  bool okDisabled = false;
  int ticks = 0;
  std::vector<std::string> keyTexts;
  std::vector<std::string> messages;
};

}  // namespace qel::test
