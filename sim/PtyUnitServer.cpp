#include "sim/PtyUnitServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "keystore/KeyMemoryImage.h"

namespace qel::sim {

PtyUnitServer::~PtyUnitServer() {
  if (master_ >= 0) ::close(master_);
}

bool PtyUnitServer::Open() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) return Fail("posix_openpt");
  if (::grantpt(master_) != 0) return Fail("grantpt");
  if (::unlockpt(master_) != 0) return Fail("unlockpt");
  const char* name = ::ptsname(master_);
  if (name == nullptr) return Fail("ptsname");
  slavePath_ = name;
  // The line discipline lives on the slave side: make it raw once, so that no byte is echoed or
  // translated even before the program sets the line up itself. The setting outlives this open.
  const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) return Fail("open slave");
  termios line{};
  bool raw = ::tcgetattr(slave, &line) == 0;
  if (raw) {
    ::cfmakeraw(&line);
    raw = ::tcsetattr(slave, TCSANOW, &line) == 0;
  }
  const int error = errno;
  ::close(slave);
  if (!raw) {
    errno = error;
    return Fail("tcsetattr");
  }
  start_ = std::chrono::steady_clock::now();
  return true;
}

bool PtyUnitServer::Serve(const std::atomic<bool>& stop) {
  bool listening = false;
  std::array<std::uint8_t, 512> in{};
  while (!stop.load()) {
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(kStopCheck);
    {
      const std::lock_guard lock(mutex_);
      const auto change = UpdateReader();
      SendDue(listening);
      for (const auto next : {unit_.NextOutputTime(), change}) {
        if (!next) continue;
        const auto due = std::chrono::ceil<std::chrono::milliseconds>(*next - Now());
        wait = std::clamp(due, std::chrono::milliseconds{0}, wait);
      }
    }
    pollfd master{master_, POLLIN, 0};
    const int ready = ::poll(&master, 1, static_cast<int>(wait.count()));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return Fail("poll");
    }
    // No slave open: the master reports a hang-up at once, so wait here instead.
    listening = (master.revents & POLLHUP) == 0;
    if ((master.revents & POLLIN) != 0) {
      const ssize_t n = ::read(master_, in.data(), in.size());
      const std::lock_guard lock(mutex_);
      const SimTime now = Now();
      for (ssize_t i = 0; i < n; ++i) unit_.Receive(in[static_cast<std::size_t>(i)], now);
    } else if (!listening) {
      ::poll(nullptr, 0, static_cast<int>(wait.count()));
    }
  }
  return true;
}

void PtyUnitServer::PresentKey(const KeyCode& code, std::chrono::milliseconds from,
                               std::chrono::milliseconds duration) {
  const std::lock_guard lock(mutex_);
  presentation_ = Presentation{{code}, from, duration, SimTime{0}};
}

void PtyUnitServer::PresentKeysInTurn(std::vector<KeyCode> codes, std::chrono::milliseconds from,
                                      std::chrono::milliseconds duration, std::chrono::milliseconds every) {
  if (codes.empty() || duration >= every) return;
  const std::lock_guard lock(mutex_);
  presentation_ = Presentation{std::move(codes), from, duration, every};
}

void PtyUnitServer::HoldKeyFor(const KeyCode& code, std::chrono::milliseconds duration) {
  const std::lock_guard lock(mutex_);
  hold_ = Hold{code, Now() + duration};
}

void PtyUnitServer::ReleaseHeldKey() {
  const std::lock_guard lock(mutex_);
  hold_.reset();
}

std::vector<StoredKey> PtyUnitServer::StoredKeys() const {
  // Copied under the lock, listed outside it: the server's loop waits only for the copy.
  auto image = std::make_unique<KeyMemoryImage>();
  {
    const std::lock_guard lock(mutex_);
    image->SetRecordSize(unit_.RecordSize());
    image->WriteBytes(0, unit_.Memory());
  }
  std::vector<StoredKey> keys;
  for (KeyListRow& row : image->BuildKeyList()) {
    keys.push_back(
        StoredKey{row.id, image->KeyCodeAt(row.id), std::move(row.keyCode), std::move(row.comment)});
  }
  return keys;
}

std::optional<SimTime> PtyUnitServer::UpdateReader() {
  const SimTime now = Now();
  auto [wanted, change] = PresentedNow(now);
  if (hold_ && now >= hold_->until) hold_.reset();
  if (hold_) {
    wanted = hold_->code;
    change = change ? std::min(*change, hold_->until) : hold_->until;
  }
  if (wanted != held_) {
    if (wanted) {
      unit_.HoldKey(*wanted);
    } else {
      unit_.ReleaseKey();
    }
    held_ = wanted;
  }
  return change;
}

std::pair<std::optional<KeyCode>, std::optional<SimTime>> PtyUnitServer::PresentedNow(SimTime now) {
  if (!presentation_) return {};
  const Presentation& p = *presentation_;
  if (now < p.from) return {std::nullopt, p.from};
  const SimTime since = now - p.from;
  const long long turn = p.every.count() > 0 ? since / p.every : 0;
  const SimTime turnStart = p.from + turn * p.every;
  if (now < turnStart + p.duration) {
    return {p.codes[static_cast<std::size_t>(turn) % p.codes.size()], turnStart + p.duration};
  }
  if (p.every.count() == 0) {
    presentation_.reset();
    return {};
  }
  return {std::nullopt, turnStart + p.every};
}

SimTime PtyUnitServer::Now() const {
  return std::chrono::duration_cast<SimTime>(std::chrono::steady_clock::now() - start_);
}

bool PtyUnitServer::Fail(const char* what) {
  lastError_ = std::string(what) + ": " + std::strerror(errno);
  return false;
}

void PtyUnitServer::SendDue(bool listening) {
  std::array<std::uint8_t, 256> out{};
  while (const std::size_t n = unit_.Read(out, Now())) {
    // A full pseudo-terminal buffer means the reader fell behind by kilobytes; what does not fit
    // is lost, as it would be on a real line.
    if (listening && ::write(master_, out.data(), n) < 0 && errno != EAGAIN) return;
  }
}

}  // namespace qel::sim
