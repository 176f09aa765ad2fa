// The road from Connect to a logged-in unit on the virtual clock against simulated units: port
// search, login and disconnect.
#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <tuple>

#include "link/UnitCommands.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::BytesEqual;
using test::UnitRig;
using Lines = std::vector<std::string>;

ConnectChoice ManualPort(int port, int code = 4719, int transport = 1) {
  return ConnectChoice{code, transport, 1, port};
}

Lines FirstLines(const test::RecordingView& view, std::size_t count) {
  Lines lines = view.LogLines();
  if (lines.size() > count) lines.resize(count);
  return lines;
}

Lines Ports(int first, int last) {
  Lines ports;
  for (int p = first; p <= last; ++p) ports.push_back("COM" + std::to_string(p));
  return ports;
}

struct Search {
  const char* name;
  Language language;
  std::function<void(UnitRig&)> place;
  std::optional<ConnectChoice> choice;  // none: the dialog cancelled
  Lines tried;
  Lines lines;  // the newest first
  int portAfter;
  bool connected;
};

// Each row runs until the settings read starts or nothing runs any more.
TEST(PortSearch, TriesThePortsInTurnAndLogsTheRoadNewestFirst) {
  const std::string denied =
      "Port COM2 (COM2) cannot be opened: Permission denied. Add your user to the group dialout "
      "(sudo usermod -aG dialout USER) and log in again.";
  const auto silentAndUnit = [](int silent, int unit, int code = 4719) {
    return [=](UnitRig& rig) {
      if (silent > 0) rig.AddSilentPort(silent);
      if (unit > 0) rig.AddUnit(unit, {.accessCode = code});
    };
  };
  const auto unavailable = [](std::optional<SerialResult> reason) {
    return [=](UnitRig& rig) {
      if (reason) rig.AddUnavailablePort(2, *reason);
      rig.AddUnit(3);
    };
  };
  const Language en = Language::English, cz = Language::Czech;
  // clang-format off
  for (const Search& row : {
    Search{"manual port", en, [](UnitRig& rig) { rig.AddUnit(3); rig.AddUnit(5); }, ManualPort(5), Ports(5, 5),
           {"QEL connected to COM5.", "QEL found at COM5", "Port COM5 found", "Searching for QEL..."}, 5, true},
    Search{"silent and missing ports skipped", en, silentAndUnit(1, 3), ConnectChoice{}, Ports(1, 3),
           {"QEL connected to COM3.", "QEL found at COM3", "Port COM3 found", "Port COM2 (COM2) was not opened: no such device",
            "QEL not found at COM1", "Port COM1 found", "Searching for QEL..."}, 3, true},
    Search{"a port refused for lack of permission skipped with the remedy", en, unavailable(SerialResult::AccessDenied),
           ConnectChoice{}, Ports(1, 3), {"QEL connected to COM3.", "QEL found at COM3", "Port COM3 found", denied,
           "Port COM1 (COM1) was not opened: no such device", "Searching for QEL..."}, 3, true},
    Search{"no port at all", en, silentAndUnit(0, 0), ConnectChoice{}, Ports(1, 70),
           {"QEL not found!", "Port COM70 (COM70) was not opened: no such device"}, 70, false},
    Search{"a silent last port resumes at 71 and gives up", en, silentAndUnit(70, 0), ConnectChoice{}, Ports(1, 70),
           {"QEL not found!", "QEL not found at COM70", "Port COM70 found"}, 71, false},
    Search{"a manual port that never says hello", en, silentAndUnit(4, 5), ManualPort(4), Ports(4, 4),
           {"QEL not found at COM4", "Port COM4 found", "Searching for QEL..."}, 5, false},
    Search{"a refused access code tries no further port", en, silentAndUnit(0, 2), ConnectChoice{1234, 1, 0, 1}, Ports(1, 2),
           {"QEL at COM2 answered but did not accept the access code.", "QEL not connected!", "QEL found at COM2"}, 2, false},
    Search{"Czech", cz, silentAndUnit(1, 2, 1), ConnectChoice{}, Ports(1, 2),
           {"QEL na COM2 odpověděl, ale nepřijal přístupový kód.", "QEL nepřipojen!", "QEL nalezen na COM2",
            "Nalezen Port COM2", "QEL nenalezen na COM1", "Nalezen Port COM1", "Hledám QEL..."}, 2, false},
    Search{"a pinned port missing", en, unavailable(std::nullopt), ManualPort(2), Ports(2, 2),
           {"QEL not found!", "Port COM2 (COM2) was not opened: no such device"}, 2, false},
    Search{"a pinned port busy", en, unavailable(SerialResult::Busy), ManualPort(2), Ports(2, 2),
           {"QEL not found!", "Port COM2 (COM2) was not opened: another program is using it"}, 2, false},
    Search{"a pinned port failing", cz, unavailable(SerialResult::Failed), ManualPort(2), Ports(2, 2),
           {"QEL nenalezeno!", "Port COM2 (COM2) nebyl otevřen: Input/output error"}, 2, false},
    Search{"the dialog cancelled", en, silentAndUnit(0, 1), std::nullopt, {}, {}, 0, false},
  }) {
    // clang-format on
    SCOPED_TRACE(row.name);
    UnitRig rig(row.language);
    row.place(rig);
    rig.view.connectAnswer = row.choice;
    rig.controller.ConnectCommand();
    ASSERT_TRUE(rig.RunUntil(
        [&] { return rig.Runs(OperationKind::SettingsRead) || rig.timers.RunningCount() == 0; }, 2s));
    EXPECT_EQ(rig.device.OpenAttempts(), row.tried);
    EXPECT_EQ(FirstLines(rig.view, row.lines.size()), row.lines);
    EXPECT_EQ(row.lines.empty(), rig.view.log.empty());
    EXPECT_EQ(rig.view.connectPrompts,
              Lines{row.language == en ? "Insert password:" : "Vložte přístupový kód:"});
    EXPECT_EQ(rig.controller.currentPort(), row.portAfter);
    EXPECT_EQ(rig.controller.sequencer().linkOpen(), row.connected);
    EXPECT_EQ(rig.device.IsOpen(), row.connected);
    EXPECT_EQ(rig.controller.sequencer().commandFlags(),
              row.connected ? Sequencer::kConnectedCommands : Sequencer::kDisconnectedCommands);
    // Connected, the commands wait for the settings read.
    EXPECT_EQ(rig.view.Buttons(),
              row.connected ? Sequencer::CommandFlags{} : Sequencer::kDisconnectedCommands);
  }
}

// The greeting of the search, then the login's own bytes on nine ticks of 50 ms; a disconnect
// waits for the watchdog, says what the close says and leaves the way open for another unit.
TEST(Login, SendsTheTransportAndTheCodeThenDisconnectWaitsForTheWatchdog) {
  for (const auto& [transport, byte, language, disconnect, connect, logLine] :
       {std::tuple{1, unit::kTransportUsb, Language::English, "Disco&nnect QEL", "&Connect QEL",
                   "QEL disconnected from COM1."},
        std::tuple{2, unit::kTransportBluetooth, Language::Czech, "&Odpojit QEL", "Př&ipojit QEL",
                   "QEL odpojen od COM1."}}) {
    UnitRig rig(language);
    rig.AddUnit(1, sim::UnitConfig{.accessCode = 0x1234});
    rig.AddUnit(2);
    rig.view.connectAnswer = ManualPort(1, 0x1234, transport);
    rig.controller.ConnectCommand();
    const sim::SimTime start = rig.clock.Now();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Runs(OperationKind::SettingsRead); }, 1s));
    std::vector<std::uint8_t> sent = rig.device.WrittenBytes();
    sent.resize(10);
    EXPECT_TRUE(BytesEqual(Bytes({unit::kHangUp, unit::kHangUp, unit::kLoginStart, byte, 'Q', 'E', 'L',
                                  unit::kHello, 0x12, 0x34}),
                           sent))
        << "transport " << transport;
    EXPECT_EQ(rig.ticks, 9);
    EXPECT_EQ(rig.lastTickAt - start, 450ms);  // the verdict tick, nine periods after the port opened

    ASSERT_TRUE(rig.RunUntil([&] { return rig.Runs(OperationKind::KeyLoad); }, 5s));
    std::size_t sentBefore = rig.device.WrittenBytes().size();
    rig.controller.DisconnectCommand();
    EXPECT_TRUE(rig.device.IsOpen() && rig.Runs(OperationKind::KeyLoad));
    EXPECT_EQ(rig.device.WrittenBytes().size(), sentBefore);
    EXPECT_TRUE(rig.controller.sequencer().linkOpen());

    ASSERT_TRUE(rig.RunToWatchdog());
    EXPECT_EQ(rig.view.Buttons(), Sequencer::kConnectedCommands);
    EXPECT_EQ(rig.view.connectText, disconnect);
    EXPECT_FALSE(rig.view.connectIsDefault);  // Enter must not drop the link
    sentBefore = rig.device.WrittenBytes().size();
    rig.controller.ConnectButton();
    sent = rig.device.WrittenBytes();
    EXPECT_TRUE(BytesEqual(Bytes({unit::kHangUp}), std::span<const std::uint8_t>(sent).subspan(sentBefore)));
    EXPECT_FALSE(rig.device.IsOpen());
    EXPECT_EQ(rig.timers.RunningCount(), 0);
    EXPECT_FALSE(rig.controller.sequencer().linkOpen());
    EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
    EXPECT_EQ(rig.view.connectText, connect);
    EXPECT_TRUE(rig.view.connectIsDefault);
    EXPECT_EQ(FirstLines(rig.view, 1), Lines{logLine});
    EXPECT_EQ(rig.view.summary, "");
    rig.RunFor(5s);
    EXPECT_EQ(rig.device.WrittenBytes().size(), sentBefore + 1);
    ASSERT_TRUE(rig.Connect(ManualPort(2)));
    EXPECT_EQ(rig.device.OpenAttempts(), (Lines{"COM1", "COM2"}));
    EXPECT_EQ(rig.view.connectText, disconnect);
  }
}

}  // namespace
}  // namespace qel
