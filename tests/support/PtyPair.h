#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace qel::test {

// A pseudo-terminal whose slave stands in for the unit's serial port; the test plays the unit
// on the master side. On Linux the master's tcgetattr shows the slave's line settings, so the
// port's settings can be checked without a second open of the slave (which TIOCEXCL forbids).
class PtyPair {
 public:
  PtyPair() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    slavePath_ = ::ptsname(master_);
  }
  ~PtyPair() { ::close(master_); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& slavePath() const { return slavePath_; }

  // The slave's line settings as the kernel holds them.
  termios SlaveLine() const {
    termios line{};
    if (::tcgetattr(master_, &line) != 0) throw std::runtime_error("tcgetattr on the master failed");
    return line;
  }
  void SetSlaveLine(const termios& line) const {
    if (::tcsetattr(master_, TCSANOW, &line) != 0) throw std::runtime_error("tcsetattr on the master failed");
  }

  // Sends bytes towards the port; the pseudo-terminal takes the few the tests send at once.
  void Send(const std::vector<std::uint8_t>& bytes) const {
    if (::write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
      throw std::runtime_error("write to the master failed");
  }

  // Collects what the port wrote until `wanted` bytes came or `patience` passed without one.
  std::vector<std::uint8_t> Receive(std::size_t wanted,
                                    std::chrono::milliseconds patience = std::chrono::seconds(2)) const {
    std::vector<std::uint8_t> got(wanted);
    std::size_t done = 0;
    pollfd waiting{master_, POLLIN, 0};
    while (done<wanted&& ::poll(&waiting, 1, static_cast<int>(patience.count()))> 0 &&
           (waiting.revents & POLLIN) != 0) {
      const ssize_t count = ::read(master_, got.data() + done, wanted - done);
      if (count <= 0) break;
      done += static_cast<std::size_t>(count);
    }
    got.resize(done);
    return got;
  }

 private:
  int master_;
  std::string slavePath_;
};

}  // namespace qel::test
