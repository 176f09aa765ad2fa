#pragma once

#include <string_view>

#include "link/SerialWarnings.h"

namespace qel {

// The six command buttons of the main window, in the order of their flags.
enum class Command { AddKeys, EditKey, DeleteKey, Settings, Connect, Archive };
inline constexpr int kCommandCount = 6;

// What the core asks of the window. The Qt main window implements it; tests record it.
// Message boxes are modal: they return once the operator has dismissed them, and timers keep
// ticking meanwhile (the sequencer stops its own timer before it shows one).
class View : public SerialWarnings {
 public:
  // A box with an OK button. An empty caption means the platform's default caption.
  virtual void ShowMessageBox(std::string_view caption, std::string_view text) = 0;
  virtual void SetCommandEnabled(Command command, bool enabled) = 0;
  // The Connect button's text, which names what a press does: connect or disconnect. Enter
  // presses it only while it connects (`isDefault`): a stray Enter must not drop the link.
  virtual void SetConnectText(std::string_view text, bool isDefault) = 0;
  // Replaces the whole text of the message log, newest line first.
  virtual void ShowLog(std::string_view logText) = 0;
  // What a long transfer is doing, how far it is (0 to 100, or -1 when only the unit knows) and the
  // time it still needs (empty when unknown).
  virtual void ShowProgress(std::string_view what, int percent, std::string_view timeLeft) = 0;
  virtual void HideProgress() = 0;
};

}  // namespace qel
