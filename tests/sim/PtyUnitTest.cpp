#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "files/ImageFile.h"
#include "link/PosixSerialDevice.h"
#include "link/UnitCommands.h"
#include "sim/GeneratedKeys.h"
#include "sim/PtyUnitServer.h"
#include "tests/support/ByteMatch.h"

namespace qel::sim::test {
namespace {

using qel::test::Bytes;
using qel::test::BytesEqual;
using Data = std::vector<std::uint8_t>;

using namespace std::chrono_literals;

// A line to the unit on a pseudo-terminal, set up as the program sets it up. These tests run in
// real time.
class Connection {
 public:
  explicit Connection(const std::string& path) {
    EXPECT_EQ(device_.Open(path), SerialResult::Ok) << device_.LastError();
    EXPECT_EQ(device_.ConfigureLine(), SerialResult::Ok);
    EXPECT_EQ(device_.ApplyTimeouts(), SerialResult::Ok);
  }
  ~Connection() { device_.Write(Bytes({unit::kHangUp})); }

  // Writes the bytes, then reads until `count` bytes came or a second passed.
  Data Exchange(const Data& bytes, std::size_t count) {
    device_.Write(bytes);
    Data reply;
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    while (reply.size() < count && std::chrono::steady_clock::now() < deadline) {
      std::array<std::uint8_t, 1000> in{};
      reply.insert(reply.end(), in.begin(), in.begin() + device_.Read(in));
    }
    return reply;
  }

  void ExpectLogin(std::uint16_t code) {
    const auto high = static_cast<std::uint8_t>(code >> 8);
    const auto low = static_cast<std::uint8_t>(code & 0xFF);
    EXPECT_TRUE(BytesEqual(Bytes({unit::kHello}), Exchange({0x04, 0x01, 0xA7, 'Q', 'E', 'L'}, 1)));
    EXPECT_TRUE(BytesEqual(Bytes({unit::kAccepted}), Exchange({unit::kHello, high, low}, 1)));
  }

 private:
  PosixSerialDevice device_;
};

// The reader's reply with `code` held.
Data Held(const KeyCode& code) {
  Data reply{0x01};
  reply.insert(reply.end(), code.begin(), code.end());
  return reply;
}

TEST(PtyUnit, ServerOnAThreadHoldsPresentedAndHeldKeysForTheirTimeAndListsTheKeysSaved) {
  SimulatedUnit unit;
  unit.LoadMemory(GenerateKeyMemory(2, unit.RecordSize(), 1));
  PtyUnitServer server(unit);
  ASSERT_TRUE(server.Open()) << server.LastError();
  const auto start = std::chrono::steady_clock::now();
  const KeyCode presented{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  server.PresentKey(presented, 0ms, 500ms);
  std::atomic<bool> stop{false};
  bool served = false;
  std::thread thread([&] { served = server.Serve(stop); });
  const KeyCode code = *KeyCodeFromText("0123456789AB");
  {
    Connection connection(server.SlavePath());
    connection.ExpectLogin(4719);
    EXPECT_TRUE(BytesEqual(Held(presented), connection.Exchange({unit::kReadReader}, 13)));
    // Record 2, the code, floor 1, the comment "Výtah" in Windows-1250, its end.
    connection.Exchange({unit::kSaveKey, 0x00, 0x02}, 2);
    for (std::uint8_t b : code) connection.Exchange({b}, 1);
    EXPECT_TRUE(
        BytesEqual(Bytes({0x01, 0x00, 0x00, unit::kAck}), connection.Exchange({0x01, 0x00, 0x00}, 4)));
    EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), connection.Exchange({'V', 0xFD, 't', 'a', 'h', 0x00}, 1)));
  }
  const std::vector<StoredKey> keys = server.StoredKeys();
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[2].id, 2);
  EXPECT_EQ(keys[2].code, code);
  EXPECT_EQ(keys[2].keyText, "0123456789AB");
  EXPECT_EQ(keys[2].comment, "Výtah");

  std::this_thread::sleep_until(start + 600ms);
  {
    // A new connection, with the presented key gone and another held from this thread.
    Connection connection(server.SlavePath());
    connection.ExpectLogin(4719);
    const auto poll = [&connection] { return connection.Exchange({unit::kReadReader}, 13); };
    EXPECT_TRUE(BytesEqual(Data(13, 0x00), poll()));
    const auto heldAt = std::chrono::steady_clock::now();
    server.HoldKeyFor(code, 800ms);
    Data reply = poll();
    while (reply != Held(code) && std::chrono::steady_clock::now() < heldAt + 300ms) reply = poll();
    EXPECT_TRUE(BytesEqual(Held(code), reply));
    std::this_thread::sleep_until(heldAt + 1200ms);
    EXPECT_TRUE(BytesEqual(Data(13, 0x00), poll()));
  }
  stop.store(true);
  thread.join();
  EXPECT_TRUE(served) << server.LastError();
}

TEST(PtyUnit, ExecutableServesAnImageFileWithItsSettingsAndStopsOnTerm) {
  ImageBytes image;
  image.fill(0xFF);
  for (int i = 0; i < 40; ++i) image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x30 + i);
  const auto file =
      std::filesystem::temp_directory_path() / ("qel-sim-test-" + std::to_string(::getpid()) + ".kym");
  ASSERT_TRUE(SaveImageFile(file, image, ImageSettings{0, 40, 1, 1}).Ok());
  // The shell prints its process id, then becomes qel-unit-sim, which prints its device.
  std::FILE* sim = ::popen(
      ("echo $$; exec " QEL_UNIT_SIM_PATH " --code 1234 --name Dům --image " + file.string()).c_str(), "r");
  ASSERT_NE(sim, nullptr);
  pid_t pid = 0;
  char path[256] = {};
  EXPECT_EQ(std::fscanf(sim, "%d %255s", &pid, path), 2);
  std::filesystem::remove(file);
  if (pid > 0 && std::string_view(path).starts_with("/dev/")) {
    Connection connection(path);
    connection.ExpectLogin(1234);
    EXPECT_TRUE(BytesEqual(
        Bytes({40, 0, 0x09, 'D', 0xF9, 'm', unit::kNameEnd}),
        connection.Exchange(
            {unit::kGetRecordSize, unit::kGetAccessTime, unit::kGetRelaySetup, unit::kGetName}, 7)));
    Data stream = connection.Exchange({unit::kReadMemory}, 40);
    stream.resize(40);  // the rest of the stream is not wanted; a short one fails below
    EXPECT_TRUE(BytesEqual(std::span(image).first(40), stream));
    connection.Exchange({unit::kStop}, 0);
    ::kill(pid, SIGTERM);
  }
  const int status = ::pclose(sim);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Everything the program prints to both streams, and how it ended.
std::pair<std::string, int> RunSim(const std::string& shellLine) {
  std::FILE* sim = ::popen(shellLine.c_str(), "r");
  std::string printed;
  if (sim == nullptr) return {printed, -1};
  for (int c = std::fgetc(sim); c != EOF; c = std::fgetc(sim)) printed += static_cast<char>(c);
  return {printed, ::pclose(sim)};
}

TEST(PtyUnit, ExecutableStatesItsRangesAndHowToConnect) {
  for (const std::string_view help : {"-h", "--help"}) {
    const auto [printed, status] = RunSim(QEL_UNIT_SIM_PATH " " + std::string(help));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << help;
    for (const std::string_view range : {"0 to 65536", "0 to 9999", "15 to 250", "0 to 86400"})
      EXPECT_NE(printed.find(range), std::string::npos) << help << ": " << range;
  }
  // Bare, it names its device and the option that reaches it, then runs until its input ends.
  const auto [printed, status] = RunSim("exec " QEL_UNIT_SIM_PATH " 2>&1 </dev/null & sleep 1; kill $!");
  const std::string path = printed.substr(0, printed.find('\n'));
  EXPECT_TRUE(path.starts_with("/dev/")) << printed;
  EXPECT_NE(printed.find("qel-key --port 1=" + path + "\n"), std::string::npos) << printed;
}

}  // namespace
}  // namespace qel::sim::test
