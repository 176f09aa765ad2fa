// The archive command against the simulated unit: a backup, a deletion of all keys and a restore
// that leaves the unit as it was; every error of the transfers, the archive dialog's buttons and
// the main window's list after each outcome; damaged files. The archive dialog runs its logic on
// the virtual clock; the operator's answers are scripted.
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "files/CsvExport.h"
#include "files/ImageFile.h"
#include "link/UnitCommands.h"
#include "tests/files/TempFolder.h"
#include "tests/support/KeyImages.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using Action = std::function<void(ArchiveDialog&)>;

constexpr std::uint8_t kNak = 0x15;
constexpr int kKeys = 20;

// A connected window over a unit with 20 keys, access time 7 and relay inversion; the fixture
// plays the archive dialog's window and the operator in it.
class Archive : public ::testing::Test, public ArchiveDialogWindow {
 public:
  void SetButtons(ArchiveState pattern) override { buttons = pattern; }
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
  bool Confirm(std::string_view) override {
    if (whileConfirming) whileConfirming();
    return confirm;
  }
  std::optional<std::filesystem::path> AskOpenFile(std::string_view, std::string_view) override {
    return file;
  }
  std::optional<std::filesystem::path> AskSaveFile(std::string_view, std::string_view, std::string_view,
                                                   std::string_view name) override {
    proposed = name;
    return file;
  }
  bool PreviewImport(const ImportPlan& plan) override {
    previewed = plan.keys.size();
    return true;
  }

  void SetUp() override {
    ASSERT_TRUE(rig.ConnectUnit({.accessTime = 7, .relaySetup = 0x07}, kKeys));
    unit = rig.unit;
    std::copy(unit->Memory().begin(), unit->Memory().end(), original.begin());
    file = folder.Path() / "unit.kym";
  }
  // Opens the archive, does `actions` in turn (each followed by its transfer) and closes it.
  void Run(std::vector<Action> actions) {
    rig.view.archiveDialog = [&](ArchiveDialog& dialog) {
      dialog.Open(*this, rig.dialogTimers);
      for (const Action& action : actions) {
        action(dialog);
        RunDialog(dialog, [&] { return dialog.MayClose(); });
      }
      closable = dialog.MayClose();
      dialog.Close();
    };
    rig.controller.OpenArchive();
  }
  void RunDialog(ArchiveDialog& dialog, const std::function<bool()>& done,
                 std::chrono::milliseconds limit = 5min) {
    const sim::SimTime end = rig.clock.Now() + limit;
    while (!done())
      if (const std::optional<int> id = rig.dialogTimers.AdvanceToNextTick(end))
        dialog.OnTimer(*id);
      else
        return;
  }
  static Action Mark(Archive& t) {
    return [&t](ArchiveDialog&) {
      t.rig.device.ClearWritten();
      t.start = t.rig.clock.Now();
    };
  }
  // The bytes since the mark, each with the ms after it at which it went out (to 50 ms).
  test::Timeline Sent(std::size_t count) const { return rig.SentSince(start, count, 50); }
  bool Logged(std::string_view line) const { return rig.view.log.find(line) != std::string::npos; }

  test::UnitRig rig;
  test::TempFolder folder;
  sim::SimulatedUnit* unit = nullptr;
  ImageBytes original{};
  std::optional<std::filesystem::path> file;
  bool confirm = true;
  std::function<void()> whileConfirming;
  std::optional<ArchiveState> buttons;
  std::vector<std::string> messages;
  bool closable = false;
  sim::SimTime start{};
  std::string proposed;
  std::size_t previewed = 0;
};

TEST_F(Archive, DeletedLogsABackupDeletedKeysAndARestoreLeaveTheKeysAndTheListAsTheyWere) {
  unit->HoldKey(test::EightByteCode(1));
  rig.RunFor(2s);
  unit->ReleaseKey();
  ASSERT_FALSE(unit->Log().empty());
  Run({[](ArchiveDialog& d) { d.DeleteAllLogs(); }, [](ArchiveDialog& d) { d.SaveImage(); }, Mark(*this),
       [](ArchiveDialog& d) { d.DeleteAllKeys(); },
       [&](ArchiveDialog&) {
         EXPECT_TRUE(rig.view.rows.empty());
         EXPECT_EQ(Sent(3), (test::Timeline{{150, 0x18}, {300, 0x08}, {450, 0x11}}));
       },
       Mark(*this), [](ArchiveDialog& d) { d.LoadImage(); },
       // The list shows the file's keys while the dialog is still open.
       [&](ArchiveDialog&) { EXPECT_EQ(rig.view.rows.size(), static_cast<std::size_t>(kKeys)); }});
  // The link check's 0x05 may come first; the write's three start bytes go out together.
  const auto sent = Sent(SIZE_MAX);
  const auto first = std::find_if(sent.begin(), sent.end(), [](const auto& b) { return b.second == 0x1D; });
  ASSERT_LE(sent.end() - first, 3 + kImageSize + 6 + 1);
  EXPECT_EQ(first->first, 500);
  EXPECT_EQ(first[3].first, 1500);  // the first block, after the tick that judges the 'N'
  // 512 blocks and the last one's reply at 500 ms, then the relay byte on the eighth settings tick.
  EXPECT_EQ(sent[sent.size() - 2], (std::pair<long, int>{1500 + 512 * 500 + 8 * 700, 0x07}));
  EXPECT_TRUE(std::equal(original.begin(), original.end(), unit->Memory().begin()));
  EXPECT_EQ(unit->AccessTime(), 7);
  EXPECT_EQ(unit->RelaySetup(), 0x07);
  EXPECT_EQ(rig.view.rows.size(), static_cast<std::size_t>(kKeys));
  EXPECT_TRUE(unit->Log().empty());
  EXPECT_EQ(proposed, "Lift A 2026-12-06.kym");
  EXPECT_TRUE(Logged("Memory saved to PC: " + file->string()));
  EXPECT_TRUE(Logged("All logs deleted") && Logged("All keys deleted") && Logged("File loaded") &&
              Logged("Done") && Logged("New relay settings set"));
  EXPECT_EQ(buttons, ArchiveState::Ready);
  EXPECT_TRUE(rig.WatchdogRuns() && rig.view.IsEnabled(Command::AddKeys));
  // The deletion of all keys and the restore each began with a backup of the PC's image.
  const std::vector<std::filesystem::path> backups = rig.Backups();
  ASSERT_EQ(backups.size(), 2u);
  ImageBytes kept{};
  ImageSettings settings{};
  ASSERT_TRUE(LoadImageFile(backups[0], kept, settings).Ok());
  EXPECT_EQ(kept, original);
  EXPECT_EQ(settings.accessTime, 7);
}

// A CSV file's keys through the archive dialog: once the operator confirms the preview the dialog
// closes and the new keys are saved in the main window, the held and the repeated line skipped;
// a file with a bad line says so and adds nothing.
TEST_F(Archive, AnImportAddsTheFilesNewKeysOnceTheDialogCloses) {
  const auto line = [](int id, int seed) {
    std::string text = std::to_string(id) + ";K" + std::to_string(seed) + ";" +
                       KeyCodeToText(test::EightByteCode(seed)) + ";o";
    for (int floor = 23; floor >= 1; --floor) text += ";x";
    return text + "\r\n";
  };
  const std::string header = std::string(CsvExportHeader(Language::English)) + "\r\n";
  file = folder.Path() / "bad.csv";
  std::ofstream(*file, std::ios::binary) << header << line(0, 100) << "1;x;0000\r\n";
  bool taken = true;
  Run({[&](ArchiveDialog& d) { taken = d.ImportKeys(); }});
  EXPECT_FALSE(taken);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0],
            "Line 3 of the CSV file: it does not have a key's columns (ID, comment, key and 24 "
            "floors).\nNothing was changed in QEL.");

  file = folder.Path() / "keys.csv";
  std::ofstream(*file, std::ios::binary)
      << header << line(0, 100) << line(1, 3) << line(2, 101) << line(3, 100);
  Run({[&](ArchiveDialog& d) { taken = d.ImportKeys(); }});
  EXPECT_TRUE(taken);
  EXPECT_EQ(previewed, 2u);
  ASSERT_TRUE(rig.RunToWatchdog());
  KeyMemoryImage image;
  std::copy(unit->Memory().begin(), unit->Memory().end(), original.begin());
  image.Replace(original, 100);
  EXPECT_EQ(image.FindKeyCode(test::EightByteCode(100)), kKeys);
  EXPECT_EQ(image.FindKeyCode(test::EightByteCode(101)), kKeys + 1);
  EXPECT_EQ(rig.view.rows.size(), static_cast<std::size_t>(kKeys + 2));
}

// Without a backup on the disk nothing that clears or rewrites the unit's whole memory starts, and
// the operator is told why.
TEST_F(Archive, NothingClearsOrRewritesTheWholeMemoryWithoutABackup) {
  ASSERT_TRUE(SaveImageFile(*file, test::MemoryWithKeys(50, 3), {0, 50, 0, 1}).Ok());
  test::WriteWhole(rig.files / "blocked", "");
  rig.controller.backups().SetFolder(rig.files / "blocked" / "backups");
  Run({Mark(*this), [](ArchiveDialog& d) { d.DeleteAllKeys(); }, [](ArchiveDialog& d) { d.LoadImage(); }});
  for (const auto& sent : Sent(SIZE_MAX))
    EXPECT_TRUE(sent.second == unit::kPing || sent.second == unit::kDialogMark);
  EXPECT_TRUE(std::equal(original.begin(), original.end(), unit->Memory().begin()));
  ASSERT_EQ(rig.view.boxes.size(), 2u);
  EXPECT_NE(rig.view.boxes[0].text.find("The automatic backup could not be saved"), std::string::npos);
  EXPECT_NE(rig.view.boxes[0].text.find("so nothing was started"), std::string::npos);
  EXPECT_EQ(rig.view.rows.size(), static_cast<std::size_t>(kKeys));
}

// A file from a unit with other settings brings its own comment length and permanent access.
TEST_F(Archive, ARestoreSetsTheFilesCommentLengthAndPermanentAccess) {
  ASSERT_TRUE(SaveImageFile(*file, test::MemoryWithKeys(50, 3), {0, 50, 0, 1}).Ok());
  Run({[](ArchiveDialog& d) { d.LoadImage(); }});
  EXPECT_EQ(unit->RecordSize(), 50);
  EXPECT_EQ(unit->AccessTime(), 0);
  EXPECT_EQ(unit->RelaySetup(), 0xF8);
  EXPECT_EQ(rig.view.rows.size(), 3u);
}

// A quick unit's 0x07 and 0x03 in one reply, and nothing after, complete the deletion.
TEST_F(Archive, AStartAndCompletionInOneReplyEndTheDeletion) {
  unit->SetFaults(
      {.silence = sim::Faults::Silence{0x18, 0, 1}, .wrongReplies = {{0x18, 0, 0, {0x07, 0x03}}}});
  Run({[](ArchiveDialog& d) { d.DeleteAllKeys(); }});
  EXPECT_TRUE(Logged("All keys deleted")) << rig.view.log;
  EXPECT_TRUE(rig.WatchdogRuns());
}

TEST_F(Archive, ALinkLostUnderTheConfirmationStartsNothingAndLeavesNoWatchdog) {
  unit->SetFaults(test::DeadAt(unit::kPing));
  Run({[&](ArchiveDialog& d) {
    whileConfirming = [&] {
      RunDialog(
          d, [&] { return rig.view.boxes.size() > 0; }, 10s);
    };
    rig.device.ClearWritten();
    d.DeleteAllKeys();
  }});
  EXPECT_EQ(rig.view.boxes.at(0).text, "Error no. 600 - QEL disconnected");
  // Three unanswered checks, the hang-up, and nothing after it.
  EXPECT_EQ(rig.device.WrittenBytes(),
            (std::vector<std::uint8_t>{unit::kPing, unit::kPing, unit::kPing, unit::kHangUp}));
  EXPECT_EQ(rig.timers.RunningCount(), 0);
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
}

// A file whose write never started is not taken over either.
TEST_F(Archive, ATransferHoldsTheDialogOpenUnlessItsTimerNeverStarted) {
  ASSERT_TRUE(SaveImageFile(*file, test::MemoryWithKeys(50, 3), {9, 50, 0, 1}).Ok());
  Run({[&](ArchiveDialog& d) {
    d.DeleteAllLogs();
    EXPECT_FALSE(d.MayClose());
    RunDialog(d, [&] { return d.MayClose(); });
    rig.dialogTimers.RefuseNextStart(ArchiveDialog::kTimerId);
    d.DeleteAllLogs();
    EXPECT_TRUE(d.MayClose());
    rig.dialogTimers.RefuseNextStart(ArchiveDialog::kTimerId);
    d.LoadImage();
    EXPECT_TRUE(d.MayClose());
  }});
  EXPECT_EQ(rig.view.boxes.back().text, "Timer error!");
  EXPECT_EQ(rig.view.rows.size(), static_cast<std::size_t>(kKeys));
}

enum class Doing { Nothing, DeleteKeys, DeleteLogs, Restore };

struct Failure {
  int code;
  sim::Faults faults;
  Doing doing;
  ArchiveState buttons;
};

constexpr auto Wrong = test::WrongReply;
constexpr auto Dead = test::DeadAt;

class ArchiveFailure : public Archive, public ::testing::WithParamInterface<Failure> {};

// A dropped link leaves the list as the unit had it and only Connect; a failed restore shows the
// file's keys and halts every command but Connect; neither restarts the watchdog.
TEST_P(ArchiveFailure, StopsTheTransferAndLeavesTheWindowHalted) {
  const Failure& f = GetParam();
  ASSERT_TRUE(SaveImageFile(*file, test::MemoryWithKeys(50, 3), {9, 50, 0, 1}).Ok());
  unit->SetFaults(f.faults);
  Run({[&](ArchiveDialog& d) {
    if (f.doing == Doing::Restore) d.LoadImage();
    if (f.doing == Doing::DeleteKeys) d.DeleteAllKeys();
    if (f.doing == Doing::DeleteLogs) d.DeleteAllLogs();
    RunDialog(
        d, [&] { return buttons == f.buttons; }, 10s);
  }});
  const bool linkLost = f.code / 100 != 3 && f.code / 10 != 53;
  EXPECT_TRUE(Logged((linkLost ? "Error no. " : "Critical error no. ") + std::to_string(f.code)))
      << rig.view.log;
  EXPECT_EQ(buttons, f.buttons);
  EXPECT_TRUE(closable);
  EXPECT_EQ(rig.view.rows.size(), f.doing == Doing::Restore ? 3u : static_cast<std::size_t>(kKeys));
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_EQ(rig.timers.RunningCount(), 0);
  EXPECT_EQ(Logged("copy the file to QEL again"), !linkLost);
}

INSTANTIATE_TEST_SUITE_P(
    Transfers, ArchiveFailure,
    ::testing::Values(Failure{600, Dead(unit::kPing, 0), Doing::Nothing, ArchiveState::Failed},
                      Failure{521, Wrong(0x18, 0, {0x41}), Doing::DeleteKeys, ArchiveState::Failed},
                      Failure{523, Wrong(0x18, 5, {0x41}), Doing::DeleteKeys, ArchiveState::Failed},
                      Failure{525, Dead(0x18, 1), Doing::DeleteKeys, ArchiveState::Failed},
                      Failure{522, Wrong(0x28, 0, {}), Doing::DeleteLogs, ArchiveState::Failed},
                      Failure{524, Wrong(0x28, 5, {0x41}), Doing::DeleteLogs, ArchiveState::Failed},
                      Failure{526, Dead(0x28, 1), Doing::DeleteLogs, ArchiveState::Failed},
                      Failure{530, Wrong(0x1D, 0, {}), Doing::Restore, ArchiveState::Failed},
                      Failure{531, Wrong(0x1D, 0, {0x41}), Doing::Restore, ArchiveState::Failed},
                      Failure{532, Wrong(0x1D, 3, {kNak}), Doing::Restore, ArchiveState::Failed},
                      Failure{533, Wrong(0x1D, 3, {}), Doing::Restore, ArchiveState::Failed},
                      // The last block's reply is judged like every other.
                      Failure{532, Wrong(0x1D, 512, {kNak}), Doing::Restore, ArchiveState::Failed},
                      Failure{302, Wrong(0x23, 0, {kNak}), Doing::Restore, ArchiveState::SettingsFailed},
                      Failure{303, Wrong(0x23, 0, {}), Doing::Restore, ArchiveState::SettingsFailed},
                      Failure{304, Wrong(0x1F, 0, {kNak}), Doing::Restore, ArchiveState::SettingsFailed},
                      Failure{305, Wrong(0x1F, 0, {}), Doing::Restore, ArchiveState::SettingsFailed},
                      Failure{306, Wrong(0x19, 0, {kNak}), Doing::Restore, ArchiveState::SettingsFailed},
                      Failure{307, Wrong(0x19, 0, {}), Doing::Restore, ArchiveState::SettingsFailed}));

enum class Call { ClearKeys, ClearLogs, Restore };

struct Record {
  const char* name;
  Call call;
  sim::Faults faults;
  ArchiveOutcome outcome;
  bool keysDeleted, writeFailed;
  std::size_t rows;
  friend void PrintTo(const Record& row, std::ostream* out) { *out << row.name; }
};

class ArchiveRecord : public Archive, public ::testing::WithParamInterface<Record> {};

// The commands without a dialog, as qelctl calls them: what each did is recorded as data, and the
// controller takes it over once.
TEST_P(ArchiveRecord, TheCommandsRecordWhatTheyDidForTheControllerToTakeOver) {
  const Record& row = GetParam();
  ASSERT_TRUE(SaveImageFile(*file, test::MemoryWithKeys(50, 3), {9, 50, 0, 1}).Ok());
  unit->SetFaults(row.faults);
  rig.device.ClearWritten();
  ArchiveTransfers work(rig.controller);
  rig.controller.BeginArchive();
  ASSERT_TRUE(work.Open(rig.dialogTimers));
  switch (row.call) {
    case Call::ClearKeys:
      EXPECT_TRUE(work.ClearKeys());
      break;
    case Call::ClearLogs:
      EXPECT_TRUE(work.ClearLogs());
      break;
    case Call::Restore:
      EXPECT_TRUE(work.RestoreImage(*file).Ok());
      break;
  }
  while (work.Busy())
    if (const std::optional<int> id = rig.dialogTimers.AdvanceToNextTick(rig.clock.Now() + 5min))
      work.OnTimer(*id);
  work.Close();
  rig.controller.EndArchive(work);
  EXPECT_EQ(work.outcome(), row.outcome);
  EXPECT_EQ(std::pair(work.keysDeleted(), work.writeFailed()), std::pair(row.keysDeleted, row.writeFailed));
  EXPECT_EQ(!work.recoveryAdvice().empty(), row.writeFailed);
  if (row.writeFailed) {
    EXPECT_NE(work.recoveryAdvice().find(rig.Backups().at(0).string()), std::string::npos);
  }
  EXPECT_EQ(rig.view.rows.size(), row.rows);
  EXPECT_EQ(rig.WatchdogRuns(), row.outcome != ArchiveOutcome::Failed);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ArchiveRecord,
    ::testing::Values(
        Record{"ClearKeys", Call::ClearKeys, {}, ArchiveOutcome::Done, true, false, 0},
        Record{"ClearLogs", Call::ClearLogs, {}, ArchiveOutcome::Done, false, false, kKeys},
        Record{"Restore", Call::Restore, {}, ArchiveOutcome::Done, false, false, 3},
        Record{"LinkLost", Call::ClearKeys, Dead(0x18, 1), ArchiveOutcome::Failed, false, false, kKeys},
        Record{"WriteFailed", Call::Restore, Wrong(0x1D, 3, {kNak}), ArchiveOutcome::Failed, false, true, 3}),
    [](const auto& info) { return std::string(info.param.name); });

// Nothing but the two marks around the dialog reaches the unit, and the watchdog rests again.
TEST_F(Archive, ADamagedFileIsReportedAndStartsNothing) {
  for (const auto& [length, logLine, message] :
       {std::tuple{0, "Error no. 510 - Soubor je poškozen",
                   " is damaged: its header is missing or out of range."},
        std::tuple{4, "Error no. 511 - Soubor je poškozen na pozici 5",
                   " is damaged: its byte 5 and all after it are missing."}}) {
    std::ofstream(*file, std::ios::binary)
        << std::string("\x05\x64\x30\x30", static_cast<std::size_t>(length));
    rig.device.ClearWritten();
    messages.clear();
    Run({[](ArchiveDialog& d) { d.LoadImage(); }});
    EXPECT_TRUE(Logged(logLine)) << rig.view.log;
    EXPECT_EQ(messages.at(0), "The file " + file->string() + message);
    EXPECT_EQ(rig.device.WrittenBytes(), (std::vector<std::uint8_t>{unit::kDialogMark, unit::kDialogMark}));
    EXPECT_EQ(rig.view.rows.size(), static_cast<std::size_t>(kKeys));
  }
}

}  // namespace
}  // namespace qel
