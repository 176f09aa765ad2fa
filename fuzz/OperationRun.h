#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "link/SerialDevice.h"
#include "sim/VirtualClock.h"
#include "texts/Language.h"

namespace qel::fuzz {

enum class UnitOperation : std::uint8_t {
  Login,         // and, once accepted, the settings read and the key load
  SettingsRead,  // and the key load
  SettingsWrite,
  KeyLoad,
  Watchdog,
  SaveKeys,
  DeleteKey,
  EditKey,  // a delete handing over to a save
  LinkCheck,
  DeleteAllKeys,
  DeleteAllLogs,
  ImageWrite,
  ReaderWait,  // a key awaited at the reader, then its save
  ClockCheck,  // the clock seen running, then the clock written
};
inline constexpr int kOperationCount = 14;

// What a run does: the first kSetupSize bytes of a fuzz input.
//   byte 0  the operation (modulo kOperationCount)
//   byte 1  bit 7 Czech; bits 0-6 the operation's switches (see RunOperation)
//   byte 2  a number the operation uses: a record, a record size, a comment or name length
struct RunSetup {
  UnitOperation operation = UnitOperation::Login;
  Language language = Language::English;
  std::uint8_t switches = 0;
  std::uint8_t number = 0;
};
inline constexpr std::size_t kSetupSize = 3;
RunSetup DecodeSetup(std::span<const std::uint8_t, kSetupSize> bytes);
std::array<std::uint8_t, kSetupSize> EncodeSetup(const RunSetup& setup);

// The unit's memory before a run that starts connected: four keys in records of 100 bytes, or of
// the size a save is given.
inline constexpr int kPresetKeys = 4;
int PresetRecordSize(const RunSetup& setup);

// Ticks no run may exceed: the longest fixed sequence (a few queued keys, a 512-block write) and
// two ticks a reply for the operations that go on while the unit answers.
inline constexpr int kMaxTicks = 2000 + 3 * 2048;

// Runs one operation with the main window's core over `line` (any path opens the unit) on
// `clock`, the operator answering every dialog at once, until it has ended: back at the watchdog
// (the watchdog itself: stopped), or stopped by an error or a refused login. Aborts when the run
// breaks a rule that holds whatever the unit replies: more than kMaxTicks ticks, an error number
// that is not in the error table or reported as another kind than the table's, or the PC's image
// changed where the operation may not change it.
void RunOperation(SerialDevice& line, sim::VirtualClock& clock, const RunSetup& setup);

}  // namespace qel::fuzz
