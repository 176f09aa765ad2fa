#pragma once

#include <array>
#include <cstdint>

// The bytes the program sends to the QEL unit and the replies it relies on. The operations of the
// sequencer and the simulated unit both use these names, so the two cannot drift apart.
namespace qel::unit {

inline constexpr int kMemorySize = 65536;

// Sent at port open, before the login greeting, on a dropped link and at exit.
inline constexpr std::uint8_t kHangUp = 0x04;

// Login: kHangUp, kLoginStart, the transport byte, the letters Q E L; the unit answers kHello,
// the program answers kHello, then the access code high and low byte; the unit accepts with kAccepted.
inline constexpr std::uint8_t kLoginStart = 0x01;
inline constexpr std::uint8_t kTransportUsb = 0xA7;
inline constexpr std::uint8_t kTransportBluetooth = 0xA6;
inline constexpr std::array<std::uint8_t, 3> kGreeting{0x51, 0x45, 0x4C};
inline constexpr std::uint8_t kHello = 0x07;
inline constexpr std::uint8_t kAccepted = 0x01;

// No reply expected.
inline constexpr std::uint8_t kIdle = 0x7A;        // 'z'
inline constexpr std::uint8_t kDialogMark = 0x76;  // 'v', before and after a dialog

// Reader poll: 13 bytes, a status (non-zero while a key is presented) and the 12 key code bytes.
inline constexpr std::uint8_t kReadReader = 0x6B;  // 'k'
inline constexpr int kReaderReplyLength = 13;

// Link check: a reply holding kAck somewhere.
inline constexpr std::uint8_t kPing = 0x05;
inline constexpr std::uint8_t kAck = 0x06;

// Settings read; each answered by one byte, except the clock (7 packed-BCD bytes), the name
// (bytes closed by kNameEnd) and the firmware version (text of any length).
inline constexpr std::uint8_t kGetAccessTime = 0x4F;  // 'O'
inline constexpr std::uint8_t kGetRecordSize = 0x53;  // 'S'
inline constexpr std::uint8_t kGetRelaySetup = 0x49;  // 'I'
inline constexpr std::uint8_t kGetClock = 0x54;       // 'T'
inline constexpr int kClockReplyLength = 7;
inline constexpr std::uint8_t kGetName = 0x4E;      // 'N'
inline constexpr std::uint8_t kGetFirmware = 0x3F;  // '?', followed by kFirmwareArgument
inline constexpr std::uint8_t kFirmwareArgument = 0x01;

// Relay setup bits as the unit reports them.
inline constexpr std::uint8_t kRelayInversionBit = 0x01;
inline constexpr std::uint8_t kMainRelayInversionBit = 0x08;

// Key memory stream from offset 0; kStop ends it early.
inline constexpr std::uint8_t kReadMemory = 0x52;  // 'R'
inline constexpr std::uint8_t kStop = 0x03;

// Two-byte values (the access code, a key's ID) go out high byte first.
constexpr std::uint8_t HighByte(int value) { return static_cast<std::uint8_t>((value >> 8) & 0xFF); }
constexpr std::uint8_t LowByte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

// Single keys, addressed by ID (record index) high byte first. Data bytes are echoed.
inline constexpr std::uint8_t kDeleteKey = 0x13;
inline constexpr std::uint8_t kSaveKey = 0x11;

// Settings write. The name and the clock bytes are echoed; the values after kSetRecordSize,
// kSetAccessTime and kSetRelay are answered by kAck alone.
inline constexpr std::uint8_t kSetName = 0x1E;
inline constexpr std::uint8_t kNameEnd = 0xFF;
inline constexpr std::uint8_t kSetRecordSize = 0x23;  // '#'
inline constexpr std::uint8_t kSetAccessTime = 0x1F;
inline constexpr std::uint8_t kSetRelay = 0x19;
inline constexpr std::uint8_t kSetAccessCode = 0x20;
inline constexpr std::uint8_t kSetClock = 0x24;  // '$', then year, month, day, hour, minute, second

// Whole-memory write: the three start bytes, kWriteReady from the unit, then kBlockCount blocks of
// kBlockSize bytes, each answered by kBlockAck or kAck.
inline constexpr std::array<std::uint8_t, 3> kWriteMemory{0x1D, 0x07, 0x1A};
inline constexpr std::uint8_t kWriteReady = 0x4E;  // 'N'
inline constexpr int kBlockSize = 128;
inline constexpr int kBlockCount = kMemorySize / kBlockSize;
inline constexpr std::uint8_t kBlockAck = 0x0D;

// Delete all keys or all logs: kEraseStarted, any number of kEraseProgress, then kEraseDone.
inline constexpr std::array<std::uint8_t, 3> kDeleteAllKeys{0x18, 0x08, 0x11};
inline constexpr std::array<std::uint8_t, 3> kDeleteAllLogs{0x28, 0x08, 0x13};
inline constexpr std::uint8_t kEraseStarted = 0x07;
inline constexpr std::uint8_t kEraseProgress = 0x0A;
inline constexpr std::uint8_t kEraseDone = 0x03;

}  // namespace qel::unit
