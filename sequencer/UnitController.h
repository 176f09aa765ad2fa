#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "keystore/KeyMemoryImage.h"
#include "link/SerialPort.h"
#include "sequencer/KeyLoad.h"
#include "sequencer/Login.h"
#include "sequencer/MainView.h"
#include "sequencer/Sequencer.h"
#include "sequencer/SettingsRead.h"
#include "sequencer/UnitSettings.h"
#include "sequencer/Watchdog.h"

namespace qel {

// The core of the main window: the sequencer with its operations, the PC's copy of the key
// memory, the unit's settings and the key list state. The Qt window forwards its events here
// (timer ticks, buttons, list notifications) and draws what the MainView calls tell it.
class UnitController {
 public:
  UnitController(CSerialPort& port, TimerHost& timers, LocalClock& clock, MainView& view, Language language);

  // The start state of the window: only Connect enabled, an empty list, no timer running.
  void Start();
  // The tick of main-window timer `id`.
  void OnTimer(int id) { sequencer_.OnTimer(id); }

  // Commands.
  void ConnectCommand();
  void ToggleLanguage();
  // The window closes: a connected unit is told with 0x04 and the port is closed.
  void Close();

  // Key list notifications.
  void OnListClicked();
  void OnListFocused();
  void OnListKeyPressed();

  // Rebuilds the list rows and the free-slot list from the image.
  void RefillKeyList();
  void ClearFloors();
  void ShowFloors(int row);
  void HighlightRow(int newRow, int oldRow);
  // Highlights the row of the key whose code the reader reported (readerCode).
  void SelectPresentedKey();
  // The row the edit and delete commands act on: the reader's key first, else a row the
  // operator picked; none when neither.
  std::optional<int> TargetRow() const;
  // Rebuilds the settings summary line and the elevator name line.
  void ShowSettingsLine();
  void ApplyLanguage();

  // The port search from `first` to `last`, starting the login on the first port that opens.
  void SearchPorts(int first, int last);
  void StartSettingsRead();
  void StartKeyLoad();

  Language language() const { return sequencer_.language(); }
  Sequencer& sequencer() { return sequencer_; }
  KeyMemoryImage& image() { return image_; }
  UnitSettings& settings() { return settings_; }

  // Connection state (set by the connect command and the port search); the access code is
  // settings().accessCode.
  int transport = 1;
  int autoSearch = 0;
  int currentPort = 0;

  // Key list state.
  int highlightedRow = -1;
  int rowPicked = 0;
  KeyCode readerCode{};
  // Watchdog checks in a row without an acknowledgement.
  int missedAcks = 0;

 private:
  void LogPortRefusal(int port);

  CSerialPort& port_;
  MainView& view_;
  Sequencer sequencer_;
  KeyMemoryImage image_;
  UnitSettings settings_;
  LoginOperation login_;
  WatchdogOperation watchdog_;
  SettingsReadOperation settingsRead_;
  KeyLoadOperation keyLoad_;
};

}  // namespace qel
