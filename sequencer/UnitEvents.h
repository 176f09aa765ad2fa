#pragma once

#include <optional>

#include "keystore/KeyCode.h"

namespace qel {

// What the main window's operations tell their owner, at the moment it happens: the owner draws
// it, or goes on with what the operation cannot decide.
class UnitEvents {
 public:
  // The image's keys changed: the list shows them again.
  virtual void KeysChanged() = 0;
  // A key load has received the image's bytes below `upToByte` (0 as it begins): the records
  // wholly among them may be listed. The load's end is told as KeysChanged.
  virtual void KeysArrived(int upToByte) = 0;
  // The settings have been read: the settings line shows them.
  virtual void SettingsRead() = 0;
  // A reader report: whether a key is held there, and its code.
  virtual void KeyAtReader(bool held, const KeyCode& code) = 0;
  // The port tried gave no hello and has been closed: the port search goes on.
  virtual void NoHello() = 0;
  // The reader wait's end: the key presented, or none after the timeout. What follows starts here.
  virtual void KeyFromReader(const std::optional<KeyCode>& code) = 0;
  // The clock check's end: whether the clock was seen running. Whether the write it leads to began.
  virtual bool ClockChecked(bool running) = 0;

 protected:
  ~UnitEvents() = default;
};

}  // namespace qel
