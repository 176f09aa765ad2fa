#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "files/ImageFile.h"
#include "link/PortTable.h"
#include "link/PosixSerialDevice.h"
#include "link/SerialPort.h"
#include "link/UnitCommands.h"
#include "sim/PtyUnitServer.h"
#include "tests/support/ByteMatch.h"

extern char** environ;

namespace qel::sim::test {
namespace {

using qel::test::Bytes;
using qel::test::BytesEqual;
using qel::test::HexDump;

using namespace std::chrono_literals;

class NoWarnings : public SerialWarnings {
 public:
  void ShowSerialWarning(std::string_view text) override { ADD_FAILURE() << "serial warning: " << text; }
};

// The program's serial port on a pseudo-terminal, as COM5. These tests run in real time.
class Connection {
 public:
  explicit Connection(const std::string& path) {
    EXPECT_TRUE(ports_.Assign(5, path));
    port_.Open(5);
    EXPECT_EQ(port_.GetStatus(), CSerialPort::kReady) << device_.LastError();
  }
  ~Connection() {
    port_.WriteByte(unit::kHangUp);
    port_.Close();
  }

  // Writes the bytes, then reads until `count` bytes came or a second passed.
  std::vector<std::uint8_t> Exchange(std::initializer_list<std::uint8_t> bytes, std::size_t count) {
    for (std::uint8_t b : bytes) port_.WriteByte(b);
    std::vector<std::uint8_t> reply;
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    while (reply.size() < count && std::chrono::steady_clock::now() < deadline) {
      const int n = port_.Read();
      for (int i = 0; i < n; ++i) reply.push_back(port_.ByteAt(i));
    }
    return reply;
  }

  void ExpectLogin(std::uint16_t code) {
    EXPECT_TRUE(
        BytesEqual(Bytes({unit::kHello}),
                   Exchange({unit::kHangUp, unit::kLoginStart, unit::kTransportUsb, 'Q', 'E', 'L'}, 1)));
    EXPECT_TRUE(BytesEqual(
        Bytes({unit::kAccepted}),
        Exchange({unit::kHello, static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code & 0xFF)},
                 1)));
  }

 private:
  PortTable ports_;
  PosixSerialDevice device_;
  NoWarnings warnings_;
  CSerialPort port_{device_, ports_, warnings_};
};

// qel-unit-sim started with `options`; stopped with SIGTERM by Stop().
class SpawnedSim {
 public:
  explicit SpawnedSim(std::vector<std::string> options) {
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string program = QEL_UNIT_SIM_PATH;
    std::vector<char*> argv{program.data()};
    for (std::string& option : options) argv.push_back(option.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::FILE* printed = ::fdopen(out[0], "r");
    char line[256] = {};
    if (std::fgets(line, sizeof line, printed) != nullptr) path_ = line;
    std::fclose(printed);
    if (!path_.empty() && path_.back() == '\n') path_.pop_back();
  }
  ~SpawnedSim() {
    if (pid_ > 0) Stop();
  }

  const std::string& Path() const { return path_; }
  bool Started() const { return pid_ > 0 && path_.rfind("/dev/", 0) == 0; }
  // The exit status after SIGTERM.
  int Stop() {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
    return status;
  }

 private:
  pid_t pid_ = 0;
  std::string path_;
};

TEST(PtyUnit, ServerOnAThreadAnswersTheLoginThroughTheSerialPort) {
  SimulatedUnit unit;
  PtyUnitServer server(unit);
  ASSERT_TRUE(server.Open()) << server.LastError();
  std::atomic<bool> stop{false};
  bool served = false;
  std::thread thread([&] { served = server.Serve(stop); });
  Connection(server.SlavePath()).ExpectLogin(4719);
  // A second connection after the first one closed finds the unit again.
  Connection(server.SlavePath()).ExpectLogin(4719);
  stop.store(true);
  thread.join();
  EXPECT_TRUE(served) << server.LastError();
}

TEST(PtyUnit, PresentedKeyIsHeldForItsTimeOnly) {
  SimulatedUnit unit;
  PtyUnitServer server(unit);
  ASSERT_TRUE(server.Open()) << server.LastError();
  const KeyCode code{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  server.PresentKey(code, 0ms, 500ms);
  std::atomic<bool> stop{false};
  std::thread thread([&] { server.Serve(stop); });
  {
    Connection connection(server.SlavePath());
    connection.ExpectLogin(4719);
    std::vector<std::uint8_t> held{0x01};
    held.insert(held.end(), code.begin(), code.end());
    EXPECT_TRUE(BytesEqual(held, connection.Exchange({unit::kReadReader}, 13)));
    std::this_thread::sleep_for(600ms);
    EXPECT_TRUE(
        BytesEqual(std::vector<std::uint8_t>(13, 0x00), connection.Exchange({unit::kReadReader}, 13)));
  }
  stop.store(true);
  thread.join();
}

TEST(PtyUnit, ExecutablePrintsItsDeviceServesAndStopsOnTerm) {
  SpawnedSim sim({});
  ASSERT_TRUE(sim.Started()) << sim.Path();
  Connection(sim.Path()).ExpectLogin(4719);
  const int status = sim.Stop();
  EXPECT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(PtyUnit, ExecutableStartsFromAnImageFileWithItsSettings) {
  ImageBytes image;
  image.fill(0xFF);
  for (int i = 0; i < 40; ++i) image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x30 + i);
  const auto file =
      std::filesystem::temp_directory_path() / ("qel-sim-test-" + std::to_string(::getpid()) + ".kym");
  ASSERT_TRUE(SaveImageFile(file, image, ImageSettings{0, 40, 1, 1}).Ok());

  SpawnedSim sim({"--image", file.string(), "--code", "1234"});
  ASSERT_TRUE(sim.Started()) << sim.Path();
  {
    Connection connection(sim.Path());
    connection.ExpectLogin(1234);
    EXPECT_TRUE(BytesEqual(Bytes({40}), connection.Exchange({unit::kGetRecordSize}, 1)));
    EXPECT_TRUE(BytesEqual(Bytes({0}), connection.Exchange({unit::kGetAccessTime}, 1)));
    EXPECT_TRUE(BytesEqual(Bytes({0x09}), connection.Exchange({unit::kGetRelaySetup}, 1)));
    const auto stream = connection.Exchange({unit::kReadMemory}, 40);
    ASSERT_GE(stream.size(), 40u);
    EXPECT_TRUE(BytesEqual(std::span(image).first(40), std::span(stream).first(40)));
    connection.Exchange({unit::kStop}, 0);
  }
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace qel::sim::test
