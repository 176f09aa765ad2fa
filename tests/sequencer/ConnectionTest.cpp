// The road from Connect to a watched key list, on the virtual clock against simulated units:
// port search, login, settings read, key memory load and the watchdog.
#include <gtest/gtest.h>

#include <algorithm>
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

ConnectChoice ManualPort(int port, int code = 4719, int transport = 1) {
  return ConnectChoice{code, transport, 1, port};
}

std::vector<std::string> FirstLines(const test::RecordingView& view, std::size_t count) {
  std::vector<std::string> lines = view.LogLines();
  if (lines.size() > count) lines.resize(count);
  return lines;
}

// The bytes of one login: the greeting of the search, then the login's own.
std::vector<std::uint8_t> LoginBytes(std::uint8_t transport, int code) {
  return Bytes({unit::kHangUp, unit::kHangUp, unit::kLoginStart, transport, 'Q', 'E', 'L', unit::kHello,
                (code >> 8) & 0xFF, code & 0xFF});
}

// --- Port search and login ------------------------------------------------------------------

TEST(PortSearch, ManualPortOpensOnlyThatPortAndLogsTheRoadNewestFirst) {
  UnitRig rig;
  rig.AddUnit(3);
  rig.AddUnit(5);
  rig.view.connectAnswer = ManualPort(5);
  rig.controller.ConnectCommand();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.IsRunning(kSettingsReadTimer); }, 1s));

  EXPECT_EQ(rig.device.OpenAttempts(), std::vector<std::string>{"COM5"});
  EXPECT_EQ(FirstLines(rig.view, 4), (std::vector<std::string>{"QEL connected to COM5.", "QEL found at COM5",
                                                               "Port COM5 found", "Searching for QEL..."}));
  EXPECT_EQ(rig.controller.sequencer().commandEnabled, Sequencer::kConnectedCommands);
  EXPECT_EQ(rig.controller.sequencer().linkOpen, 1);
}

TEST(PortSearch, AutomaticSearchSkipsASilentPortAndAMissingOne) {
  UnitRig rig;
  rig.AddSilentPort(1);
  rig.AddUnit(3);
  rig.view.connectAnswer = ConnectChoice{};
  rig.controller.ConnectCommand();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.IsRunning(kSettingsReadTimer); }, 2s));

  EXPECT_EQ(rig.device.OpenAttempts(), (std::vector<std::string>{"COM1", "COM2", "COM3"}));
  EXPECT_EQ(FirstLines(rig.view, 7),
            (std::vector<std::string>{"QEL connected to COM3.", "QEL found at COM3", "Port COM3 found",
                                      "Port COM2 (COM2) was not opened: no such device",
                                      "QEL not found at COM1", "Port COM1 found", "Searching for QEL..."}));
}

TEST(PortSearch, NoPortAtAllEndsWithNotFoundAndConnectAgain) {
  UnitRig rig;
  rig.view.connectAnswer = ConnectChoice{};
  rig.controller.ConnectCommand();

  EXPECT_EQ(rig.device.OpenAttempts().size(), 70u);
  EXPECT_EQ(
      FirstLines(rig.view, 2),
      (std::vector<std::string>{"QEL not found!", "Port COM70 (COM70) was not opened: no such device"}));
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_EQ(rig.timers.RunningCount(), 0);
}

TEST(PortSearch, SilentLastPortResumesAtSeventyOneAndGivesUp) {
  UnitRig rig;
  rig.AddSilentPort(70);
  rig.view.connectAnswer = ConnectChoice{};
  rig.controller.ConnectCommand();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.RunningCount() == 0; }, 1s));

  EXPECT_EQ(FirstLines(rig.view, 3),
            (std::vector<std::string>{"QEL not found!", "QEL not found at COM70", "Port COM70 found"}));
  EXPECT_EQ(rig.controller.currentPort, 71);
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_FALSE(rig.device.IsOpen());
}

TEST(PortSearch, ManualPortThatNeverSaysHelloClosesItAndStops) {
  UnitRig rig;
  rig.AddSilentPort(4);
  rig.AddUnit(5);
  rig.view.connectAnswer = ManualPort(4);
  rig.controller.ConnectCommand();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.RunningCount() == 0; }, 1s));

  EXPECT_EQ(rig.device.OpenAttempts(), std::vector<std::string>{"COM4"});
  EXPECT_EQ(rig.view.LogLines().front(), "QEL not found at COM4");
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_EQ(rig.controller.sequencer().linkOpen, 0);
}

TEST(PortSearch, PortRefusedForLackOfPermissionIsSkippedWithTheReasonAndTheRemedy) {
  for (Language language : {Language::English, Language::Czech}) {
    UnitRig rig(language);
    rig.AddUnavailablePort(2, SerialResult::AccessDenied);
    rig.AddUnit(3);
    rig.view.connectAnswer = ConnectChoice{};
    rig.controller.ConnectCommand();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.IsRunning(kSettingsReadTimer); }, 2s));

    const std::vector<std::string> lines = rig.view.LogLines();
    const std::string expected =
        language == Language::English
            ? "Port COM2 (COM2) cannot be opened: Permission denied. Add your user to the group dialout "
              "(sudo usermod -aG dialout USER) and log in again."
            : "Port COM2 (COM2) nelze otevřít: Permission denied. Přidejte svého uživatele do skupiny "
              "dialout "
              "(sudo usermod -aG dialout UŽIVATEL) a přihlaste se znovu.";
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << rig.view.log;
  }
}

TEST(PortSearch, PinnedPortThatDoesNotOpenIsLoggedWithTheReason) {
  struct Row {
    Language language;
    std::optional<SerialResult> reason;  // none: nothing behind the path
    std::string line;
  };
  for (const Row& row : {
           Row{Language::English, std::nullopt, "Port COM2 (COM2) was not opened: no such device"},
           Row{Language::Czech, std::nullopt, "Port COM2 (COM2) nebyl otevřen: zařízení neexistuje"},
           Row{Language::English, SerialResult::Busy,
               "Port COM2 (COM2) was not opened: another program is using it"},
           Row{Language::Czech, SerialResult::Failed, "Port COM2 (COM2) nebyl otevřen: Input/output error"},
       }) {
    UnitRig rig(row.language);
    if (row.reason) rig.AddUnavailablePort(2, *row.reason);
    rig.view.connectAnswer = ManualPort(2);
    rig.controller.ConnectCommand();
    EXPECT_EQ(FirstLines(rig.view, 2)[1], row.line);
  }
}

TEST(PortSearch, CancelledDialogChangesNothing) {
  UnitRig rig;
  rig.AddUnit(1);
  rig.view.connectAnswer.reset();
  rig.controller.ConnectCommand();
  EXPECT_TRUE(rig.device.OpenAttempts().empty());
  EXPECT_TRUE(rig.view.log.empty());
  EXPECT_EQ(rig.view.connectPrompts, std::vector<std::string>{"Insert password:"});
}

TEST(Login, RefusedAccessCodeEndsTheAttemptWithoutTryingFurtherPorts) {
  UnitRig rig;
  rig.AddUnit(2);
  rig.AddUnit(3);
  rig.view.connectAnswer = ConnectChoice{1234, 1, 0, 1};
  rig.controller.ConnectCommand();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.RunningCount() == 0; }, 1s));

  EXPECT_EQ(rig.device.OpenAttempts(), (std::vector<std::string>{"COM1", "COM2"}));
  EXPECT_EQ(FirstLines(rig.view, 3),
            (std::vector<std::string>{"QEL at COM2 answered but did not accept the access code.",
                                      "QEL not connected!", "QEL found at COM2"}));
  EXPECT_FALSE(rig.device.IsOpen());
  EXPECT_EQ(rig.controller.sequencer().linkOpen, 0);
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
}

TEST(Login, SendsTheTransportByteAndTheCodeHighByteFirst) {
  for (const auto& [transport, byte] :
       {std::pair{1, unit::kTransportUsb}, std::pair{2, unit::kTransportBluetooth}}) {
    UnitRig rig;
    rig.AddUnit(1, sim::UnitConfig{.accessCode = 200});
    rig.view.connectAnswer = ManualPort(1, 200, transport);
    rig.controller.ConnectCommand();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.IsRunning(kSettingsReadTimer); }, 1s));

    std::vector<std::uint8_t> sent = rig.device.WrittenBytes();
    sent.resize(10);
    EXPECT_TRUE(BytesEqual(LoginBytes(byte, 200), sent)) << "transport " << transport;
  }
}

TEST(Login, NineTicksOfFiftyMilliseconds) {
  UnitRig rig;
  rig.AddUnit(1);
  rig.view.connectAnswer = ManualPort(1);
  rig.controller.ConnectCommand();
  const sim::SimTime start = rig.clock.Now();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.IsRunning(kSettingsReadTimer); }, 1s));
  EXPECT_EQ(rig.ticks, 9);
  // The verdict tick comes nine periods after the port opened.
  EXPECT_EQ(rig.lastTickAt - start, 450ms);
}

TEST(Login, CzechLogLines) {
  UnitRig rig(Language::Czech);
  rig.AddSilentPort(1);
  rig.AddUnit(2, sim::UnitConfig{.accessCode = 1});
  rig.view.connectAnswer = ConnectChoice{};
  rig.controller.ConnectCommand();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.RunningCount() == 0; }, 1s));
  EXPECT_EQ(rig.view.connectPrompts, std::vector<std::string>{"Vložte přístupový kód:"});
  EXPECT_EQ(FirstLines(rig.view, 7),
            (std::vector<std::string>{"QEL na COM2 odpověděl, ale nepřijal přístupový kód.",
                                      "QEL nepřipojen!", "QEL nalezen na COM2", "Nalezen Port COM2",
                                      "QEL nenalezen na COM1", "Nalezen Port COM1", "Hledám QEL..."}));
}

// --- Disconnect -----------------------------------------------------------------------------

TEST(Disconnect, SaysWhatTheCloseSaysAndLeavesTheWayOpenForAnotherUnit) {
  for (const auto& [language, disconnect, connect, logLine] :
       {std::tuple{Language::English, "Disco&nnect QEL", "&Connect QEL", "QEL disconnected from COM1."},
        std::tuple{Language::Czech, "&Odpojit QEL", "Př&ipojit QEL", "QEL odpojen od COM1."}}) {
    UnitRig rig(language);
    rig.AddUnit(1);
    rig.AddUnit(2);
    ASSERT_TRUE(rig.Connect(ManualPort(1)));
    EXPECT_EQ(rig.view.Buttons(), Sequencer::kConnectedCommands);
    EXPECT_EQ(rig.view.connectText, disconnect);
    EXPECT_FALSE(rig.view.connectIsDefault);  // Enter must not drop the link
    const std::size_t sentBefore = rig.device.WrittenBytes().size();

    rig.controller.ConnectButton();
    const std::vector<std::uint8_t> sent = rig.device.WrittenBytes();
    EXPECT_TRUE(BytesEqual(Bytes({unit::kHangUp}), std::span<const std::uint8_t>(sent).subspan(sentBefore)));
    EXPECT_FALSE(rig.device.IsOpen());
    EXPECT_EQ(rig.timers.RunningCount(), 0);
    EXPECT_EQ(rig.controller.sequencer().linkOpen, 0);
    EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
    EXPECT_EQ(rig.view.connectText, connect);
    EXPECT_TRUE(rig.view.connectIsDefault);
    EXPECT_EQ(FirstLines(rig.view, 1), std::vector<std::string>{logLine});
    EXPECT_EQ(rig.view.summary, "");
    rig.RunFor(5s);
    EXPECT_EQ(rig.device.WrittenBytes().size(), sentBefore + 1);

    ASSERT_TRUE(rig.Connect(ManualPort(2)));
    EXPECT_EQ(rig.device.OpenAttempts(), (std::vector<std::string>{"COM1", "COM2"}));
    EXPECT_EQ(rig.view.connectText, disconnect);
  }
}

TEST(Disconnect, WaitsForTheWatchdog) {
  UnitRig rig;
  rig.AddUnit(1);
  rig.view.connectAnswer = ManualPort(1);
  rig.controller.ConnectCommand();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.IsRunning(kKeyLoadTimer); }, 5s));
  const std::size_t sentBefore = rig.device.WrittenBytes().size();
  rig.controller.DisconnectCommand();
  EXPECT_TRUE(rig.device.IsOpen() && rig.timers.IsRunning(kKeyLoadTimer));
  EXPECT_EQ(rig.device.WrittenBytes().size(), sentBefore);
  EXPECT_EQ(rig.controller.sequencer().linkOpen, 1);
}

}  // namespace
}  // namespace qel
