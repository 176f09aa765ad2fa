#include "link/SerialPort.h"

#include "texts/Texts.h"

namespace qel {

namespace {

// The set-up warnings are English whatever the program's language.
constexpr Language kWarningLanguage = Language::English;

}  // namespace

CSerialPort::CSerialPort(SerialDevice& device, PortTable& ports, SerialWarnings& warnings)
    : device_(device), ports_(ports), warnings_(warnings) {}

void CSerialPort::Open(int n) {
  PortStatus = kNotOpen;
  if (device_.IsOpen()) {
    device_.Purge();
    device_.Close();
  }
  // The table holds nothing for 0 ("None") nor for numbers outside 1..70.
  const auto path = ports_.PathOf(n);
  lastOpenResult_ = path ? device_.Open(*path) : SerialResult::NotFound;
  if (lastOpenResult_ != SerialResult::Ok) {
    return;
  }
  PortStatus = kReady;
  if (!ConfigureLine()) {
    PortStatus = kOpenNotSetUp;
  }
  if (device_.ApplyTimeouts() != SerialResult::Ok) {
    warnings_.ShowSerialWarning(Tr(Text::CannotSetTimeouts, kWarningLanguage));
    PortStatus = kOpenNotSetUp;
  }
  // Driver queue sizes are the device's business: the Windows one asks for them as it opens, and a
  // POSIX terminal's own queues are larger.
}

void CSerialPort::Close() {
  // The device forgets its descriptor on Close, so a later Open finds nothing to release.
  if (device_.IsOpen()) {
    device_.Close();
  }
  // A closed port must not go on reporting itself ready.
  PortStatus = kNotOpen;
}

bool CSerialPort::ConfigureLine() {
  if (device_.ConfigureLine() != SerialResult::Ok) {
    warnings_.ShowSerialWarning(Tr(Text::CannotSetComParameters, kWarningLanguage));
    return false;
  }
  return true;
}

int CSerialPort::Read() {
  if (!device_.IsOpen()) {
    return 0;
  }
  const int count = device_.Read(std::span(ReadBuffer).first<kMaxRead>());
  return count > 0 ? count : 0;
}

std::uint8_t CSerialPort::ByteAt(int index) const {
  if (index < 0 || index >= kBufferSize) {
    return 0;
  }
  return ReadBuffer[static_cast<std::size_t>(index)];
}

void CSerialPort::WriteByte(std::uint8_t b) {
  if (device_.IsOpen()) {
    device_.Write(std::span(&b, 1));
  }
}

void CSerialPort::WriteBlock(std::span<const std::uint8_t> bytes) {
  if (device_.IsOpen()) {
    device_.Write(bytes);
  }
}

}  // namespace qel
