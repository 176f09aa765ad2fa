#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "files/ImageFile.h"
#include "keystore/KeyCode.h"
#include "link/PosixSerialDevice.h"
#include "link/UnitCommands.h"
#include "sim/GeneratedKeys.h"
#include "sim/PtyUnitThread.h"
#include "tests/support/ByteMatch.h"

namespace qel::sim::test {
namespace {

using qel::test::Bytes;
using qel::test::BytesEqual;
using qel::test::HexDump;
using Data = std::vector<std::uint8_t>;

using namespace std::chrono_literals;

// A line to the unit on a pseudo-terminal, set up as the program sets it up, logged in with
// `code`. These tests run in real time.
class Connection {
 public:
  Connection(const std::string& path, std::uint16_t code) {
    EXPECT_TRUE(device_.Open(path) == SerialResult::Ok && device_.ConfigureLine() == SerialResult::Ok &&
                device_.ApplyTimeouts() == SerialResult::Ok)
        << device_.LastError();
    EXPECT_TRUE(BytesEqual(Bytes({unit::kHello}), Exchange({0x04, 0x01, 0xA7, 'Q', 'E', 'L'}, 1)));
    EXPECT_TRUE(
        BytesEqual(Bytes({unit::kAccepted}), Exchange(Bytes({unit::kHello, code >> 8, code & 0xFF}), 1)));
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
  Data Reader() { return Exchange({unit::kReadReader}, 13); }

 private:
  PosixSerialDevice device_;
};

// The reader's reply with `code` held.
Data Held(const KeyCode& code) {
  Data reply(code.size() + 1, 0x01);
  std::copy(code.begin(), code.end(), reply.begin() + 1);
  return reply;
}

TEST(PtyUnit, ServerOnAThreadHoldsPresentedAndHeldKeysForTheirTimeAndListsTheKeysSaved) {
  auto unit = std::make_unique<SimulatedUnit>();
  unit->LoadMemory(GenerateKeyMemory(2, unit->RecordSize(), 1));
  PtyUnitThread served(std::move(unit));
  ASSERT_TRUE(served.Start()) << served.LastError();
  PtyUnitServer& server = served.server();
  const auto start = std::chrono::steady_clock::now();
  const KeyCode presented{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  server.PresentKey(presented, 0ms, 400ms);
  const KeyCode code = *KeyCodeFromText("0123456789AB");
  Connection connection(served.SlavePath(), 4719);
  EXPECT_TRUE(BytesEqual(Held(presented), connection.Reader()));
  // A key held from this thread comes ahead of the presented one.
  const auto heldAt = std::chrono::steady_clock::now();
  server.HoldKeyFor(code, 300ms);
  Data reply = connection.Reader();
  while (reply != Held(code) && std::chrono::steady_clock::now() < heldAt + 200ms)
    reply = connection.Reader();
  EXPECT_TRUE(BytesEqual(Held(code), reply));

  // Record 2, the code, floor 1, the comment "Výtah" in Windows-1250, its end (acked 0.5 s on).
  connection.Exchange({unit::kSaveKey, 0x00, 0x02}, 2);
  for (std::uint8_t b : code) connection.Exchange({b}, 1);
  EXPECT_TRUE(BytesEqual(Bytes({0x01, 0x00, 0x00, unit::kAck}), connection.Exchange({0x01, 0x00, 0x00}, 4)));
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), connection.Exchange({'V', 0xFD, 't', 'a', 'h', 0x00}, 1)));
  const std::vector<StoredKey> keys = server.StoredKeys();
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[2].id, 2);
  EXPECT_EQ(keys[2].code, code);
  EXPECT_EQ(keys[2].keyText, "0123456789AB");
  EXPECT_EQ(keys[2].comment, "Výtah");
  // Once both times are over the reader is empty.
  std::this_thread::sleep_until(std::max(start + 450ms, heldAt + 400ms));
  EXPECT_TRUE(BytesEqual(Data(13, 0x00), connection.Reader()));
  // A key presented an hour on is not there yet. The first reply was made before the server looked
  // at the new presentation; the second comes after.
  server.PresentKey(presented, 1h, 400ms);
  connection.Reader();
  EXPECT_TRUE(BytesEqual(Data(13, 0x00), connection.Reader()));
}

// qel-unit-sim with `arguments` and no input, through a shell that prints its process id before
// it becomes the program; the program prints its device first, both streams to `out`.
struct SimProcess {
  explicit SimProcess(const std::string& arguments)
      : out(::popen(("echo $$; exec " QEL_UNIT_SIM_PATH " " + arguments + " 2>&1 </dev/null").c_str(), "r")) {
    std::array<char, 256> first{};
    EXPECT_TRUE(out != nullptr && std::fscanf(out, "%d %255s%*c", &pid, first.data()) == 2);
    path = first.data();
  }
  // Stops the program as Ctrl+C would, or lets it end; what it printed after its device, and
  // whether it exited with 0.
  std::pair<std::string, bool> Finish(bool stop) {
    if (out == nullptr) return {};
    if (stop && pid > 0) ::kill(pid, SIGTERM);
    std::string rest;
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) rest += static_cast<char>(c);
    const int status = ::pclose(out);
    return {rest, WIFEXITED(status) && WEXITSTATUS(status) == 0};
  }

  std::FILE* out;
  pid_t pid = 0;
  std::string path;
};

TEST(PtyUnit, ExecutableServesAnImageFileWithItsSettingsAndStopsOnTerm) {
  const ImageBytes image = GenerateKeyMemory(1, 40, 1);
  const auto file =
      std::filesystem::temp_directory_path() / ("qel-sim-test-" + std::to_string(::getpid()) + ".kym");
  ASSERT_TRUE(SaveImageFile(file, image, ImageSettings{0, 40, 1, 1}).Ok());
  SimProcess sim("--code 1234 --name Dům --hold-key-after 0 --image " + file.string());
  std::filesystem::remove(file);
  ASSERT_TRUE(sim.path.starts_with("/dev/")) << sim.path;
  {
    Connection connection(sim.path, 1234);
    EXPECT_TRUE(BytesEqual(
        Bytes({40, 0, 0x09, 'D', 0xF9, 'm', unit::kNameEnd}),
        connection.Exchange(
            {unit::kGetRecordSize, unit::kGetAccessTime, unit::kGetRelaySetup, unit::kGetName}, 7)));
    // Record 0's key is at the reader from the start.
    KeyCode first{};
    std::copy_n(image.begin(), first.size(), first.begin());
    EXPECT_TRUE(BytesEqual(Held(first), connection.Reader()));
    Data stream = connection.Exchange({unit::kReadMemory}, 40);
    stream.resize(40);  // the rest of the stream is not wanted; a short one fails below
    EXPECT_TRUE(BytesEqual(std::span(image).first(40), stream));
    connection.Exchange({unit::kStop}, 0);
  }
  EXPECT_EQ(sim.Finish(true), std::make_pair(std::string(), true));
}

TEST(PtyUnit, ExecutableStartedBareSaysHowToConnectAndItsHelpStatesTheRanges) {
  SimProcess bare("");
  EXPECT_TRUE(bare.path.starts_with("/dev/")) << bare.path;
  const auto [hint, stopped] = bare.Finish(true);
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(hint.starts_with("Connect to it with: qel-key --port 1=" + bare.path + "\n")) << hint;
  for (const std::string_view help : {"-h", "--help"}) {
    SimProcess asked{std::string(help)};
    const auto [usage, exited] = asked.Finish(false);
    EXPECT_TRUE(exited) << help;
    for (const std::string_view range : {"0 to 65536", "0 to 9999", "15 to 250", "0 to 86400"})
      EXPECT_NE(usage.find(range), std::string::npos) << help << ": " << range;
  }
}

TEST(PtyUnit, ExecutableWithNoKeysStoredPresentsOneTheUnitDoesNotKnow) {
  SimProcess stranger("--hold-key-after 0");
  {
    Data reply = Connection(stranger.path, 4719).Reader();
    reply.resize(13);  // a short reply fails below
    KeyCode code{};
    std::copy(reply.begin() + 1, reply.end(), code.begin());
    EXPECT_TRUE(reply[0] == 0x01 && IsValidEightByteCode(code)) << HexDump(reply);
  }
  EXPECT_TRUE(stranger.Finish(true).second);
}

}  // namespace
}  // namespace qel::sim::test
