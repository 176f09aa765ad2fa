#include "link/PosixSerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <utility>

#include "link/SystemSerialDevice.h"

namespace qel {

namespace {

constexpr speed_t kBaud = B19200;

// The parts of the control flags that make up 8N1 without hardware flow control.
constexpr tcflag_t kLineControl = CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CLOCAL | CREAD;

SerialResult Classify(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return SerialResult::NotFound;
    case EBUSY:
    case EWOULDBLOCK:
      return SerialResult::Busy;
    case EACCES:
    case EPERM:
      return SerialResult::AccessDenied;
    default:
      return SerialResult::Failed;
  }
}

bool SameLine(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_lflag == b.c_lflag &&
         (a.c_cflag & kLineControl) == (b.c_cflag & kLineControl) && cfgetispeed(&a) == cfgetispeed(&b) &&
         cfgetospeed(&a) == cfgetospeed(&b);
}

}  // namespace

std::unique_ptr<SerialDevice> MakeSystemSerialDevice() { return std::make_unique<PosixSerialDevice>(); }

PosixSerialDevice::~PosixSerialDevice() { Close(); }

SerialResult PosixSerialDevice::Open(const std::string& path) {
  Close();
  // O_NONBLOCK only so that the open itself does not wait for a carrier the line may never raise.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return Fail(errno);
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    // "Resource temporarily unavailable" would mislead whoever reads the log.
    return Fail(error == EWOULDBLOCK ? EBUSY : error);
  }
  // Also refuses anything that is not a terminal (ENOTTY), so a stray file never counts as a port.
  if (::ioctl(fd, TIOCEXCL) != 0) {
    const int error = errno;
    ::close(fd);
    return Fail(error);
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int error = errno;
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    return Fail(error);
  }
  fd_ = fd;
  lastError_.clear();
  return SerialResult::Ok;
}

SerialResult PosixSerialDevice::ConfigureLine() {
  if (fd_ < 0) {
    return Fail(EBADF);
  }
  // Built from zero: no input or output processing, no echo, no signals, no software flow
  // control, no parity, no break or parity marking, all special characters disabled.
  termios wanted{};
  wanted.c_cflag = CS8 | CREAD | CLOCAL;
  if (::cfsetispeed(&wanted, kBaud) != 0 || ::cfsetospeed(&wanted, kBaud) != 0) {
    return Refuse(std::strerror(errno));
  }
  if (::tcsetattr(fd_, TCSANOW, &wanted) != 0) {
    return Refuse(std::strerror(errno));
  }
  termios taken{};
  if (::tcgetattr(fd_, &taken) != 0) {
    return Refuse(std::strerror(errno));
  }
  // tcsetattr reports success when the driver took any part of the request.
  if (!SameLine(wanted, taken)) {
    return Refuse("the device kept other line settings");
  }
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (::ioctl(fd_, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
    // ENOTTY and EINVAL: a line without modem control (a pseudo-terminal) has no DTR or RTS to drop.
    return Refuse(std::strerror(errno));
  }
  return SerialResult::Ok;
}

SerialResult PosixSerialDevice::ApplyTimeouts() {
  if (fd_ < 0) {
    return Fail(EBADF);
  }
  termios line{};
  if (::tcgetattr(fd_, &line) != 0) {
    return Refuse(std::strerror(errno));
  }
  // read() itself never waits; Read's poll() carries the first-byte wait.
  line.c_cc[VMIN] = 0;
  line.c_cc[VTIME] = 0;
  if (::tcsetattr(fd_, TCSANOW, &line) != 0) {
    return Refuse(std::strerror(errno));
  }
  termios taken{};
  if (::tcgetattr(fd_, &taken) != 0) {
    return Refuse(std::strerror(errno));
  }
  if (taken.c_cc[VMIN] != 0 || taken.c_cc[VTIME] != 0) {
    return Refuse("the device kept other read timing");
  }
  return SerialResult::Ok;
}

int PosixSerialDevice::Read(std::span<std::uint8_t> out) {
  if (fd_ < 0 || out.empty()) {
    return 0;
  }
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + kFirstByteWait;
  pollfd waiting{fd_, POLLIN, 0};
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int ready = ::poll(&waiting, 1, left > 0 ? static_cast<int>(left) : 0);
    if (ready > 0) {
      break;
    }
    if (ready == 0) {
      return 0;
    }
    if (errno != EINTR) {
      Fail(errno);
      return 0;
    }
  }
  if ((waiting.revents & POLLIN) == 0) {
    // Hung up (the adapter was pulled) or failed: nothing to read, and no reason to wait.
    Fail(EIO);
    return 0;
  }
  for (;;) {
    const ssize_t count = ::read(fd_, out.data(), std::min<std::size_t>(out.size(), INT_MAX));
    if (count >= 0) {
      return static_cast<int>(count);
    }
    if (errno == EINTR) {
      continue;
    }
    if (errno != EAGAIN) {
      Fail(errno);
    }
    return 0;
  }
}

bool PosixSerialDevice::Write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) {
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (count > 0) {
      done += static_cast<std::size_t>(count);
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      Fail(count < 0 ? errno : EIO);
      return false;
    }
  }
  return true;
}

void PosixSerialDevice::Purge() {
  if (fd_ >= 0) {
    ::tcflush(fd_, TCIOFLUSH);
  }
}

void PosixSerialDevice::Close() {
  if (fd_ < 0) {
    return;
  }
  // Exclusive mode belongs to the terminal, not to this descriptor: hand it back explicitly.
  // Closing the descriptor drops the flock() lock.
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
}

SerialResult PosixSerialDevice::Fail(int error) {
  lastError_ = std::strerror(error);
  return Classify(error);
}

SerialResult PosixSerialDevice::Refuse(std::string reason) {
  lastError_ = std::move(reason);
  return SerialResult::Refused;
}

}  // namespace qel
