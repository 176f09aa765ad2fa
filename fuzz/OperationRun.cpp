#include "fuzz/OperationRun.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "controller/UnitController.h"
#include "files/ImageFile.h"
#include "link/PortTable.h"
#include "link/SerialPort.h"
#include "tests/support/FixedLocalClock.h"
#include "tests/support/KeyImages.h"
#include "tests/support/RecordingView.h"
#include "tests/support/VirtualTimerHost.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel::fuzz {
namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The error table: every number an operation may report, in ranges of one kind.
struct CodeRange {
  int first;
  int last;
  ErrorKind kind;
};
constexpr std::array<CodeRange, 13> kErrorTable{{
    {101, 105, ErrorKind::Critical},
    {110, 112, ErrorKind::Logged},
    {201, 203, ErrorKind::Critical},
    {230, 231, ErrorKind::Critical},
    {302, 312, ErrorKind::Critical},
    {320, 322, ErrorKind::Critical},
    {401, 405, ErrorKind::Logged},
    {501, 501, ErrorKind::LinkLost},
    {510, 511, ErrorKind::Logged},
    {521, 526, ErrorKind::LinkLost},
    {530, 533, ErrorKind::Critical},
    {600, 600, ErrorKind::LinkLost},
    {650, 650, ErrorKind::LinkLost},
}};

constexpr int CodeCount() {
  int count = 0;
  for (const CodeRange& range : kErrorTable) count += range.last - range.first + 1;
  return count;
}
static_assert(CodeCount() == 47);

std::optional<ErrorKind> KindOf(int code) {
  for (const CodeRange& range : kErrorTable)
    if (code >= range.first && code <= range.last) return range.kind;
  return std::nullopt;
}

// The recording window, which also judges each error as the sequencer reports it: its number is in
// the table, and its log line and box are those of the table's kind, in the kind's order.
class CheckingView final : public test::RecordingView {
 public:
  void Watch(const Sequencer& sequencer) { sequencer_ = &sequencer; }

  void ShowLog(std::string_view text) override {
    const std::size_t before = log.size();
    RecordingView::ShowLog(text);
    if (sequencer_ == nullptr || sequencer_->errorCount() == errorsSeen_) return;
    // One log line for each error.
    Check(sequencer_->errorCount() == errorsSeen_ + 1 && text.size() >= before + 2);
    ++errorsSeen_;
    JudgeError(text.substr(0, text.size() - before - 2));
  }
  void ShowMessageBox(std::string_view caption, std::string_view text) override {
    RecordingView::ShowMessageBox(caption, text);
    if (!criticalBox_) return;
    Check(text == *criticalBox_);
    criticalBox_.reset();
  }
  // A critical error's box follows its log line within the same tick.
  void EndOfTick() const { Check(!criticalBox_); }

 private:
  void JudgeError(std::string_view line) {
    const int code = sequencer_->lastErrorCode();
    const Language language = sequencer_->language();
    const std::optional<ErrorKind> kind = KindOf(code);
    Check(kind.has_value());
    const std::string linkLost = TrFormat(Text::LinkLostError, language, code);
    switch (*kind) {
      case ErrorKind::Critical:
        Check(line == TrFormat(Text::CriticalError, language, code));
        criticalBox_ = std::string(line);
        break;
      case ErrorKind::LinkLost:
        // Shown before it is logged.
        Check(line == linkLost && !boxes.empty() && boxes.back().text == line);
        break;
      case ErrorKind::Logged:
        Check(line.starts_with(TrFormat(Text::LoggedErrorPrefix, language, code)) && line != linkLost);
        break;
    }
  }

  const Sequencer* sequencer_ = nullptr;
  int errorsSeen_ = 0;
  std::optional<std::string> criticalBox_;
};

// The operator in the key, settings and archive dialogs: accepts at once, changes the access code
// when asked to, opens the image file of the image write.
class Operator final : public KeyDialogWindow, public SettingsDialogWindow, public ArchiveDialogWindow {
 public:
  void ShowKeyText(std::string_view) override {}
  void DisableOk() override {}
  void ShowMessage(std::string_view, KeyField) override {}
  void ShowMessage(std::string_view) override {}
  void ShowStatus(std::string_view) override {}
  void ShowClock(std::string_view, bool) override {}
  bool AskYesNo(std::string_view) override { return true; }
  std::optional<int> AskAccessCode(std::string_view) override {
    if (codes.empty()) return std::nullopt;
    const int code = codes.back();
    codes.pop_back();
    return code;
  }
  void FocusField(Field) override {}
  void SetButtons(ArchiveState) override {}
  bool Confirm(std::string_view) override { return true; }
  std::optional<std::filesystem::path> AskOpenFile(std::string_view, std::string_view) override {
    return file;
  }
  std::optional<std::filesystem::path> AskSaveFile(std::string_view, std::string_view, std::string_view,
                                                   std::string_view) override {
    return std::nullopt;
  }
  bool PreviewImport(const ImportPlan&) override { return false; }

  std::vector<int> codes;  // answered from the back
  std::filesystem::path file;
};

constexpr int kAccessCode = 4719;
constexpr int kNewAccessCode = 1234;

int RecordSizeFrom(std::uint8_t number) {
  return kMinRecordSize + number % (kMaxRecordSize - kMinRecordSize + 1);
}

// The image file of the image write, made once for the process and removed at its end.
class ScratchImageFile {
 public:
  ScratchImageFile()
      : path_(std::filesystem::temp_directory_path() / ("qel-fuzz-" + std::to_string(getpid()) + ".kym")) {
    image_ = test::MemoryWithKeys(kDefaultRecordSize, kPresetKeys + 2);
    Check(SaveImageFile(path_, image_, {7, kDefaultRecordSize, 1, 0}).Ok());
  }
  ~ScratchImageFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }
  const ImageBytes& image() const { return image_; }

 private:
  std::filesystem::path path_;
  ImageBytes image_;
};

const ScratchImageFile& TheImageFile() {
  static const ScratchImageFile file;
  return file;
}

class Run {
 public:
  Run(SerialDevice& line, sim::VirtualClock& clock, const RunSetup& setup)
      : setup_(setup),
        timers_(clock),
        dialogTimers_(clock),
        port_(line, table_, view_),
        controller_(port_, timers_, localClock_, view_, setup.language),
        s_(controller_.sequencer()) {
    table_.Assign(1, "unit");
    view_.Watch(s_);
    view_.yesAnswer = false;
    // The automatic backups of failed writes stay out of the home folder; only the newest are kept.
    controller_.backups().SetFolder(std::filesystem::temp_directory_path() / "qel-fuzz-backups");
    controller_.Start();
  }

  void Go();

 private:
  // The state after a login: the link open, the settings read, the preset keys loaded.
  void Connected();
  // Starts one of the operations that leave the PC's image alone.
  void StartOperation();
  void StartSettingsWrite();
  void OpenArchive();
  void PlayArchive(ArchiveDialog& dialog);
  // Ticks the main window's timers until the operation has ended.
  void RunToEnd(bool untilStopped);
  void Tick() { Check(++ticks_ <= kMaxTicks); }
  void CheckLoadedImage();

  const RunSetup setup_;
  PortTable table_;
  CheckingView view_;
  test::VirtualTimerHost timers_;
  test::VirtualTimerHost dialogTimers_;
  test::FixedLocalClock localClock_;
  CSerialPort port_;
  UnitController controller_;
  Sequencer& s_;
  Operator operator_;
  int ticks_ = 0;
};

void Run::Go() {
  const KeyMemoryImage& image = controller_.image();
  switch (setup_.operation) {
    case UnitOperation::Login:
      // Switch bit 0: over Bluetooth.
      view_.connectAnswer = ConnectChoice{kAccessCode, (setup_.switches & 1) != 0 ? 2 : 1, 1, 1};
      controller_.ConnectCommand();
      RunToEnd(false);
      CheckLoadedImage();
      return;
    case UnitOperation::SettingsRead:
      Connected();
      controller_.ReadUnit();
      RunToEnd(false);
      CheckLoadedImage();
      return;
    case UnitOperation::KeyLoad:
      // The number: the record size the load judges erased records by.
      Connected();
      controller_.image().SetRecordSize(RecordSizeFrom(setup_.number));
      controller_.LoadKeys();
      RunToEnd(false);
      CheckLoadedImage();
      return;
    case UnitOperation::LinkCheck:
    case UnitOperation::DeleteAllKeys:
    case UnitOperation::DeleteAllLogs:
    case UnitOperation::ImageWrite: {
      Connected();
      const ImageBytes before = image.Bytes();
      OpenArchive();
      RunToEnd(false);
      // A deletion of all keys empties the image; a file sent to the unit is shown, whether it got
      // there whole or not.
      if (image.Bytes() == before) return;
      if (setup_.operation == UnitOperation::DeleteAllKeys)
        Check(image.Bytes() == ImageBytes{});
      else
        Check(setup_.operation == UnitOperation::ImageWrite && image.Bytes() == TheImageFile().image());
      return;
    }
    default:
      break;
  }
  // The rest only read the PC's image once their command has started them.
  Connected();
  const ImageBytes beforeCommand = image.Bytes();
  StartOperation();
  const ImageBytes before = image.Bytes();
  RunToEnd(setup_.operation == UnitOperation::Watchdog);
  // A delete the unit did not confirm brings its key back into the list; a key awaited at the
  // reader is stored beside the others.
  Check(image.Bytes() == before ||
        (setup_.operation == UnitOperation::DeleteKey && image.Bytes() == beforeCommand) ||
        (setup_.operation == UnitOperation::ReaderWait && image.KeyCount() == kPresetKeys + 1));
}

void Run::StartOperation() {
  switch (setup_.operation) {
    case UnitOperation::SettingsWrite:
      StartSettingsWrite();
      return;
    case UnitOperation::Watchdog:
      s_.Rest();
      return;
    case UnitOperation::SaveKeys: {
      // Switch bits 0-1: one to four keys queued; the number: their record size.
      std::vector<int> records(1 + (setup_.switches & 3));
      std::iota(records.begin(), records.end(), 0);
      controller_.SaveKeys(std::move(records));
      return;
    }
    case UnitOperation::DeleteKey:
      // The number: the key's record.
      view_.yesAnswer = true;
      controller_.DeleteKey(setup_.number % kPresetKeys);
      return;
    case UnitOperation::EditKey:
      view_.keyDialog = [this](KeyDialog& dialog) {
        dialog.Open(operator_, dialogTimers_);
        const bool ok = dialog.Accept("", Cp1250ToUtf8(dialog.setup().commentText));
        dialog.Close(dialog.setup().floors);
        return ok ? KeyDialogEnd::Ok : KeyDialogEnd::Cancel;
      };
      controller_.EditKey(setup_.number % kPresetKeys);
      return;
    case UnitOperation::ReaderWait:
      // The number: the timeout in seconds, up to 4.
      controller_.AddKeyFromReader({{}, "", std::chrono::seconds(1 + setup_.number % 4)});
      return;
    case UnitOperation::ClockCheck: {
      const SettingsDialogSetup unitSettings = controller_.SettingsSetup();
      SettingsEntries entries;
      entries.accessTime = std::to_string(unitSettings.accessTime);
      entries.commentLength = std::to_string(unitSettings.commentLength);
      entries.elevatorName = unitSettings.elevatorName;
      entries.setClock = true;
      controller_.WriteSettings({entries, std::nullopt});
      return;
    }
    default:
      return;
  }
}

void Run::Connected() {
  port_.Open(1);
  s_.LinkOpened();
  s_.LinkAccepted();
  UnitSettings& settings = controller_.settings();
  settings.accessCode = kAccessCode;
  settings.accessTime = 5;
  settings.elevatorName = "Lift A";
  const int recordSize = PresetRecordSize(setup_);
  controller_.image().Replace(test::MemoryWithKeys(recordSize, kPresetKeys), recordSize);
  controller_.RefillKeyList();
}

// Switch bits: 0 a new name (as long as the number allows, up to 49), 1 a new comment length (5 to
// 235 by the number), 2 a new access time, 3 relay inversion, 4 a new access code, 5 the PC's
// clock, 6 permanent access.
void Run::StartSettingsWrite() {
  const std::uint8_t w = setup_.switches;
  const auto on = [w](int bit) { return (w & (1 << bit)) != 0; };
  view_.settingsDialog = [this, on](SettingsDialog& dialog) {
    dialog.Open(operator_, dialogTimers_);
    if (on(4)) {
      operator_.codes = {kNewAccessCode, kNewAccessCode, kAccessCode};
      dialog.ChangeAccessCode();
    }
    SettingsEntries entries;
    entries.accessTime = on(2) ? "7" : "5";
    const int length =
        on(1) ? SettingsDialog::kMinCommentLength + setup_.number % 231 : kDefaultRecordSize - 15;
    entries.commentLength = std::to_string(length);
    entries.elevatorName =
        on(0) ? std::string(1 + setup_.number % SettingsDialog::kMaxNameLength, 'N') : "Lift A";
    entries.relayInversion = on(3);
    entries.setClock = on(5);
    entries.permanentAccess = on(6);
    const bool ok = dialog.Accept(entries);
    dialog.Close();
    return ok;
  };
  controller_.StartWriteSettings();
}

void Run::OpenArchive() {
  operator_.file = TheImageFile().path();
  view_.archiveDialog = [this](ArchiveDialog& dialog) { PlayArchive(dialog); };
  controller_.OpenArchive();
}

void Run::PlayArchive(ArchiveDialog& dialog) {
  if (!dialog.Open(operator_, dialogTimers_)) return;
  const bool transfer = setup_.operation != UnitOperation::LinkCheck;
  if (setup_.operation == UnitOperation::DeleteAllKeys) dialog.DeleteAllKeys();
  if (setup_.operation == UnitOperation::DeleteAllLogs) dialog.DeleteAllLogs();
  if (setup_.operation == UnitOperation::ImageWrite) dialog.LoadImage();
  // A transfer runs to its end; the link check alone until the link is lost.
  while (!(transfer && dialog.MayClose())) {
    const std::optional<int> id = dialogTimers_.AdvanceToNextTick();
    if (!id) break;
    Tick();
    dialog.OnTimer(*id);
    view_.EndOfTick();
  }
  dialog.Close();
}

void Run::RunToEnd(bool untilStopped) {
  while (untilStopped ||
         !(s_.state() == Sequencer::State::Resting && timers_.IsRunning(Sequencer::kTimerId))) {
    const std::optional<int> id = timers_.AdvanceToNextTick();
    if (!id) return;
    Tick();
    controller_.OnTimer(*id);
    view_.EndOfTick();
  }
}

// A load writes only what it received, and never the image's last byte: the rest stays erased.
// A run whose load never started leaves the image as the window started it.
void Run::CheckLoadedImage() {
  const ImageBytes& bytes = controller_.image().Bytes();
  if (bytes == ImageBytes{}) return;
  const int received = std::min(controller_.keyLoad().loadedBytes(), KeyLoadOperation::kLoadLimit);
  Check(std::all_of(bytes.begin() + received, bytes.end(), [](std::uint8_t b) { return b == 0xFF; }));
}

}  // namespace

RunSetup DecodeSetup(std::span<const std::uint8_t, kSetupSize> bytes) {
  return {static_cast<UnitOperation>(bytes[0] % kOperationCount),
          (bytes[1] & 0x80) != 0 ? Language::Czech : Language::English,
          static_cast<std::uint8_t>(bytes[1] & 0x7F), bytes[2]};
}

std::array<std::uint8_t, kSetupSize> EncodeSetup(const RunSetup& setup) {
  return {static_cast<std::uint8_t>(setup.operation),
          static_cast<std::uint8_t>(setup.switches | (setup.language == Language::Czech ? 0x80 : 0)),
          setup.number};
}

int PresetRecordSize(const RunSetup& setup) {
  return setup.operation == UnitOperation::SaveKeys ? RecordSizeFrom(setup.number) : kDefaultRecordSize;
}

void RunOperation(SerialDevice& line, sim::VirtualClock& clock, const RunSetup& setup) {
  Run(line, clock, setup).Go();
}

}  // namespace qel::fuzz
