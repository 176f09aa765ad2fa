#include "cli/ControlCommand.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ControlSession.h"
#include "cli/KymCommand.h"
#include "files/CsvImport.h"
#include "files/ImageFile.h"
#include "keystore/FloorList.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {
namespace {

constexpr int kDefaultReaderTimeout = 30;
constexpr int kMaxReaderTimeout = 3600;
constexpr int kMaxAccessCode = 9999;
constexpr int kMaxKeyId = kMostRecords - 1;
// How long the settings dialog may take to show the unit's clock before it can be set.
constexpr std::chrono::seconds kClockWait{5};

const std::set<std::string_view> kValueOptions{"--device",
                                               "--backup-dir",
                                               "--port",
                                               "--code",
                                               "--code-file",
                                               "--lang",
                                               "--floors",
                                               "--comment",
                                               "--timeout",
                                               "--access-time",
                                               "--permanent-access",
                                               "--comment-length",
                                               "--relay-inversion",
                                               "--main-relay-inversion",
                                               "--name",
                                               "--clock",
                                               "--new-code"};
const std::set<std::string_view> kFlagOptions{"--bluetooth", "--yes",         "--force", "--verbose",
                                              "--json",      "--from-reader", "--help"};
const std::set<std::string_view> kGlobalOptions{"--device",  "--port",      "--code",      "--code-file",
                                                "--lang",    "--bluetooth", "--yes",       "--force",
                                                "--verbose", "--help",      "--backup-dir"};

struct CommandShape {
  std::size_t minOperands;
  std::size_t maxOperands;
  std::set<std::string_view> options;
};

const std::map<std::string_view, CommandShape> kCommands{
    {"info", {0, 0, {"--json"}}},
    {"list", {0, 0, {"--json"}}},
    {"backup", {1, 1, {}}},
    {"export", {1, 1, {}}},
    {"add", {0, 1, {"--floors", "--comment", "--from-reader", "--timeout"}}},
    {"edit", {1, 1, {"--floors", "--comment"}}},
    {"delete", {1, 1, {}}},
    {"set",
     {0,
      0,
      {"--access-time", "--permanent-access", "--comment-length", "--relay-inversion",
       "--main-relay-inversion", "--name", "--clock", "--new-code"}}},
    {"restore", {1, 1, {}}},
    {"clear-keys", {0, 0, {}}},
    {"clear-logs", {0, 0, {}}},
    {"import", {1, 1, {}}},
    {"watch", {0, 0, {}}},
};

struct Arguments {
  std::vector<std::string_view> words;  // the command, then its operands
  std::map<std::string_view, std::string_view> values;
  std::set<std::string_view> flags;
  // The first thing wrong, put in words once the language is known.
  std::optional<Text> error;
  std::vector<std::string> errorWords;
};

Arguments Parse(std::span<const std::string_view> arguments) {
  Arguments parsed;
  const auto fail = [&parsed](Text error, std::vector<std::string> words) {
    if (parsed.error) return;
    parsed.error = error;
    parsed.errorWords = std::move(words);
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string_view argument = arguments[i];
    if (argument == "-h") argument = "--help";
    if (!argument.starts_with("--") || argument == "--") {
      parsed.words.push_back(argument);
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    if (kFlagOptions.contains(name) && equals == std::string_view::npos) {
      parsed.flags.insert(name);
    } else if (!kValueOptions.contains(name)) {
      fail(Text::KymUnknownOption, {std::string(argument)});
    } else if (equals != std::string_view::npos) {
      parsed.values[name] = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      parsed.values[name] = arguments[++i];
    } else {
      fail(Text::CtlValueMissing, {std::string(name)});
    }
  }
  if (parsed.error || parsed.flags.contains("--help")) return parsed;
  if (parsed.words.empty()) {
    fail(Text::CtlNoCommand, {});
    return parsed;
  }
  const std::string_view command = parsed.words[0];
  const auto shape = kCommands.find(command);
  if (shape == kCommands.end()) {
    fail(Text::CtlUnknownCommand, {std::string(command)});
    return parsed;
  }
  std::vector<std::string_view> used(parsed.flags.begin(), parsed.flags.end());
  for (const auto& [name, value] : parsed.values) used.push_back(name);
  for (std::string_view name : used)
    if (!kGlobalOptions.contains(name) && !shape->second.options.contains(name))
      fail(Text::CtlOptionNotHere, {std::string(name), std::string(command)});
  const std::size_t operands = parsed.words.size() - 1;
  if (operands < shape->second.minOperands || operands > shape->second.maxOperands)
    fail(Text::CtlOperandCount, {std::string(command)});
  return parsed;
}

std::optional<int> WholeNumber(std::string_view text, int min, int max) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min || value > max)
    return std::nullopt;
  return value;
}

// At most four digits, as the connect dialog's code box takes them.
std::optional<int> AccessCode(std::string_view text) {
  if (text.size() > 4 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return WholeNumber(text, 0, kMaxAccessCode);
}

// The first line of a code file without its line end. Only the first bytes are read: a longer
// line is no access code anyway, and a device or a pipe given by mistake ends the read.
FileResult ReadFirstLine(const std::filesystem::path& path, std::string& line) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return FileResult{FileError::CannotOpen, path, 0, std::strerror(errno)};
  std::array<char, 16> buffer{};
  const std::size_t length = std::fread(buffer.data(), 1, buffer.size(), file);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) return FileResult{FileError::CannotRead, path, 0, std::strerror(error)};
  line.assign(buffer.data(), std::find(buffer.data(), buffer.data() + length, '\n'));
  if (line.ends_with('\r')) line.pop_back();
  return FileResult{};
}

// As ssh judges a private key: a code that others may read is no secret.
bool OthersMayRead(const std::filesystem::path& path) {
  using std::filesystem::perms;
  std::error_code error;
  const perms mode = std::filesystem::status(path, error).permissions();
  return !error && (mode & (perms::group_read | perms::others_read)) != perms::none;
}

std::optional<bool> OnOff(std::string_view text) {
  if (text == "on") return true;
  if (text == "off") return false;
  return std::nullopt;
}

// "YYYY-MM-DD HH:MM:SS", each field in its calendar range.
std::optional<LocalTime> DateTime(std::string_view text) {
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':')
    return std::nullopt;
  const auto field = [text](std::size_t at, std::size_t length, int min, int max) {
    return WholeNumber(text.substr(at, length), min, max);
  };
  const auto year = field(0, 4, 2000, 2099), month = field(5, 2, 1, 12), day = field(8, 2, 1, 31),
             hour = field(11, 2, 0, 23), minute = field(14, 2, 0, 59), second = field(17, 2, 0, 59);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  static constexpr std::array<int, 12> kDays{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = *year % 4 == 0;
  if (*day > kDays[static_cast<std::size_t>(*month - 1)] || (*month == 2 && *day == 29 && !leap))
    return std::nullopt;
  return LocalTime{*year, *month, *day, *hour, *minute, *second};
}

// A word the shell takes as it is: quoted unless it is plain.
std::string ShellWord(std::string_view text) {
  const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string_view("/.,_+-=:").find(c) != std::string_view::npos;
  });
  if (plain) return std::string(text);
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out + '"';
}

std::string FloorNumbers(const Floors& floors) {
  std::string out = "[";
  for (int floor = 1; floor <= 24; ++floor) {
    if (!FloorPermitted(floors, floor)) continue;
    if (out.size() > 1) out += ',';
    out += std::to_string(floor);
  }
  return out + ']';
}

std::string ClockText(const UnitClock& clock) {
  if (clock.IsZero()) return {};
  char text[32];
  std::snprintf(text, sizeof text, "20%02d-%02d-%02d %02d:%02d:%02d", clock.year, clock.month, clock.day,
                clock.hour, clock.minute, clock.second);
  return text;
}

// One run of qelctl: the arguments judged, then the unit reached and the command's flow run.
class Control {
 public:
  Control(const Arguments& arguments, Language language, const ControlEnvironment& environment,
          const ControlWorld& world, std::ostream& out, std::ostream& err, std::istream& in)
      : a_(arguments),
        l_(language),
        codeVariable_(environment.accessCodeVariable),
        world_(world),
        out_(out),
        err_(err) {
    ConsoleSetup setup;
    setup.language = language;
    setup.verbose = a_.flags.contains("--verbose");
    setup.assumeYes = a_.flags.contains("--yes");
    setup.interactive = environment.inputIsTerminal;
    setup.progressBar = environment.errorIsTerminal;
    view_ = std::make_unique<ConsoleView>(setup, err, in);
  }

  int Run();

 private:
  using Work = std::function<int(ControlSession&)>;

  // Input turned down before anything was sent: why.
  int Refuse(Text text, std::initializer_list<std::string_view> words = {});
  // The same for arguments that do not fit the command, with the hint to the help.
  int Usage(Text text, std::initializer_list<std::string_view> words = {});
  std::optional<std::string_view> Value(std::string_view option) const;
  bool Flag(std::string_view option) const { return a_.flags.contains(option); }
  std::string_view Operand() const { return a_.words[1]; }
  // Connects, runs `work` while the link holds, and closes as the window does. With `partList`
  // the work runs also after a key load cut short, on the keys that came.
  int WithUnit(const Work& work, bool partList = false);
  // After a key load cut short: says so on standard error; kExitUnitFailed then, else kExitDone.
  int SayIfCutShort();
  std::optional<SessionSetup> ReadSessionSetup();
  // The access code from the first source given: --code, --code-file, QEL_ACCESS_CODE; the
  // window's default without any. Only that source is read, and a bad one is refused, not
  // passed over. False when refused.
  bool ReadAccessCode(SessionSetup& setup);
  // An output file that may be written: refused when it exists without --force.
  bool MayWrite(const std::filesystem::path& path);
  bool Ask(Text question);
  // Whether the ID the command names holds a key; false, and the operator told, when not.
  bool PickKey(ControlSession& session, int id);
  // For each key a failed or stopped write left marked: the command that puts it right.
  void StoreAgainHints(const UnitController& c);
  // Runs a dialog's timers on the session's loop for as long as it is open.
  int RunArchive(ControlSession& session, const std::function<void(ArchiveDialog&)>& function,
                 std::string_view report);
  // A second Ctrl+C stopped a restore or a deletion of all keys or logs: what the unit is left with.
  void StoppedTransfer(ControlSession& session);

  int Info(ControlSession& session);
  int List(ControlSession& session);
  int Add();
  int Edit();
  int Delete();
  int Set();
  int Import();
  int Watch(ControlSession& session);

  const Arguments& a_;
  Language l_;
  std::optional<std::string> codeVariable_;
  const ControlWorld& world_;
  std::ostream& out_;
  std::ostream& err_;
  std::unique_ptr<ConsoleView> view_;
  SessionSetup sessionSetup_;
  std::optional<LocalTime> clockAt_;
  // A dialog turned the command's input down (the operator was told why): nothing was written.
  bool refused_ = false;
};

int Control::Refuse(Text text, std::initializer_list<std::string_view> words) {
  err_ << TrFormat(text, l_, words) << '\n';
  return kExitBadInput;
}

int Control::Usage(Text text, std::initializer_list<std::string_view> words) {
  Refuse(text, words);
  err_ << Tr(Text::CtlBadArguments, l_) << '\n';
  return kExitBadInput;
}

std::optional<std::string_view> Control::Value(std::string_view option) const {
  const auto found = a_.values.find(option);
  if (found == a_.values.end()) return std::nullopt;
  return found->second;
}

bool Control::Ask(Text question) { return view_->Ask(Tr(question, l_)); }

std::optional<SessionSetup> Control::ReadSessionSetup() {
  SessionSetup setup;
  if (Value("--device") && Value("--port")) {
    Usage(Text::CtlDeviceOrPort);
    return std::nullopt;
  }
  if (const auto device = Value("--device")) setup.device = std::string(*device);
  if (const auto port = Value("--port")) {
    setup.port = WholeNumber(*port, PortTable::kFirstPort, PortTable::kLastPort);
    if (!setup.port) {
      Usage(Text::CtlBadNumber,
            {"--port", *port, std::to_string(PortTable::kFirstPort), std::to_string(PortTable::kLastPort)});
      return std::nullopt;
    }
  }
  if (!ReadAccessCode(setup)) return std::nullopt;
  setup.bluetooth = Flag("--bluetooth");
  if (const auto folder = Value("--backup-dir")) setup.backupFolder = std::filesystem::path(*folder);
  return setup;
}

bool Control::ReadAccessCode(SessionSetup& setup) {
  std::optional<int> number;
  if (const auto code = Value("--code")) {
    number = AccessCode(*code);
    if (!number) Usage(Text::CtlBadAccessCode, {"--code", *code});
  } else if (const auto file = Value("--code-file")) {
    std::string line;
    if (const FileResult result = ReadFirstLine(*file, line); !result.Ok()) {
      ReportFileError(result, l_, err_);
      return false;
    }
    number = AccessCode(line);
    if (!number) Refuse(Text::CtlBadCodeFile, {*file});
    if (number && OthersMayRead(*file))
      err_ << TrFormat(Text::CtlCodeFileNotPrivate, l_, {*file, *file}) << '\n';
  } else if (codeVariable_) {
    number = AccessCode(*codeVariable_);
    if (!number) Refuse(Text::CtlBadCodeVariable);
  } else {
    return true;
  }
  if (number) setup.accessCode = *number;
  return number.has_value();
}

int Control::WithUnit(const Work& work, bool partList) {
  SessionSetup setup = sessionSetup_;
  setup.clockAt = clockAt_;
  ControlSession session(setup, world_, *view_, l_);
  int status = session.Connect();
  if (partList && status == kExitUnitFailed && session.controller().keyLoad().cutShort) status = kExitDone;
  if (status == kExitDone) {
    status = work(session);
    if (status == kExitDone) status = session.Status();
    StoreAgainHints(session.controller());
    // A failure's report names the backup already; after a good run the operator learns it here.
    const std::optional<std::filesystem::path>& backup = session.controller().lastBackup();
    if (status == kExitDone && backup && !Flag("--verbose"))
      view_->Message(TrFormat(Text::AutomaticBackupSaved, l_, {backup->string()}));
    if (refused_) {
      view_->Message(Tr(Text::CtlNotChanged, l_));
      status = kExitBadInput;
    }
  }
  // A write that Ctrl+C let finish has done its work; anything else it cut short.
  if (TickLoop::Interrupted() && status != kExitDone && a_.words[0] != "watch") status = kExitInterrupted;
  session.Close();
  // A failure is explained by the log; a refusal has said why already.
  if (status == kExitUnitFailed || status == kExitNoUnit || Flag("--verbose")) view_->FlushLog();
  return status;
}

bool Control::MayWrite(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::exists(path, error) && !Flag("--force")) {
    Refuse(Text::CtlFileExists, {path.string()});
    return false;
  }
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  if (!std::filesystem::is_directory(folder, error)) {
    Refuse(Text::CtlNoFolder, {path.string()});
    return false;
  }
  return true;
}

bool Control::PickKey(ControlSession& session, int id) {
  const UnitController& c = session.controller();
  if (id >= c.image().ListedCount() || !c.image().IsUsed(id)) {
    view_->Message(TrFormat(Text::CtlNoSuchKey, l_, {std::to_string(id)}));
    refused_ = true;
    return false;
  }
  return true;
}

int Control::RunArchive(ControlSession& session, const std::function<void(ArchiveDialog&)>& function,
                        std::string_view report) {
  bool done = false;
  view_->runArchiveDialog = [&](ArchiveDialog& dialog) {
    TickLoop::Timers timers(session.loop(), [&dialog](int id) { dialog.OnTimer(id); });
    if (dialog.Open(*view_, timers)) {
      const int boxes = view_->boxesShown;
      function(dialog);
      session.loop().RunUntil([&dialog] { return dialog.MayClose(); });
      if (!dialog.MayClose()) StoppedTransfer(session);
      done = view_->boxesShown == boxes && !dialog.writeFailed() && dialog.MayClose();
    }
    dialog.Close();
  };
  session.controller().OpenArchive();
  session.Settle();
  if (!done) return kExitUnitFailed;
  out_ << report << '\n';
  return kExitDone;
}

void Control::StoppedTransfer(ControlSession& session) {
  session.StoppedTransfer();
  const UnitController& c = session.controller();
  const std::string backup = c.lastBackup() ? c.lastBackup()->string() : "-";
  const std::string_view command = a_.words[0];
  if (command == "restore")
    view_->Message(TrFormat(Text::MemoryHalfWritten, l_, {backup}));
  else if (command == "clear-keys")
    view_->Message(TrFormat(Text::KeysPartlyDeleted, l_, {backup}));
  else
    view_->Message(Tr(Text::LogsPartlyDeleted, l_));
}

void Control::StoreAgainHints(const UnitController& c) {
  std::string prefix = "qelctl";
  for (const std::string_view option : {"--device", "--port", "--backup-dir"})
    if (const auto value = Value(option)) prefix += " " + std::string(option) + " " + ShellWord(*value);
  const KeyMemoryImage& image = c.image();
  for (const auto& [record, mark] : c.marks()) {
    const std::string data = " --floors " + FloorListText(image.FloorsAt(record)) + " --comment " +
                             ShellWord(Cp1250ToUtf8(image.CommentText(record)));
    std::string command;
    if (mark == KeyMark::DeletionNotConfirmed && a_.words[0] == "delete")
      command = prefix + " delete " + std::to_string(record);
    else if (mark == KeyMark::DeletionNotConfirmed)
      command = prefix + " edit " + std::to_string(record) + data;
    else
      command = prefix + " add " + Cp1250ToUtf8(KeyCodeToText(image.KeyCodeAt(record))) + data;
    view_->Message(TrFormat(Text::CtlPutItRight, l_, {std::to_string(record), command}));
  }
}

int Control::SayIfCutShort() {
  if (view_->loadCutShort.empty()) return kExitDone;
  view_->Message(view_->loadCutShort);
  return kExitUnitFailed;
}

int Control::Info(ControlSession& session) {
  UnitController& c = session.controller();
  const UnitSettings& s = c.settings();
  const int commentLength = c.image().RecordSize() - static_cast<int>(kCommentOffset);
  const std::size_t keys = c.image().BuildKeyList().size();
  const std::string name = Cp1250ToUtf8(s.elevatorName);
  const std::string clock = ClockText(s.unitClock);
  const auto flag = [](bool on) { return on ? "true" : "false"; };
  if (Flag("--json")) {
    out_ << "{\"firmware\": " << JsonString(s.firmware)
         << ", \"clock\": " << (clock.empty() ? "null" : JsonString(clock))
         << ", \"name\": " << JsonString(name) << ", \"accessTime\": " << s.accessTime
         << ", \"permanentAccess\": " << flag(s.accessTime == 0) << ", \"commentLength\": " << commentLength
         << ", \"relayInversion\": " << flag(s.relayInversion != 0)
         << ", \"mainRelayInversion\": " << flag(s.mainRelayInversion != 0) << ", \"keyCount\": " << keys
         << "}\n";
    return SayIfCutShort();
  }
  const auto yesNo = [this](bool on) { return Tr(on ? Text::CtlYes : Text::CtlNo, l_); };
  out_ << TrFormat(Text::CtlInfo, l_,
                   {s.firmware, clock, name, std::to_string(s.accessTime), yesNo(s.accessTime == 0),
                    std::to_string(commentLength), yesNo(s.relayInversion != 0),
                    yesNo(s.mainRelayInversion != 0), std::to_string(keys)});
  return SayIfCutShort();
}

int Control::List(ControlSession& session) {
  KeyMemoryImage& image = session.controller().image();
  const std::vector<KeyListRow> rows = image.BuildKeyList();
  const bool json = Flag("--json");
  if (json) out_ << '[';
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const KeyListRow& row = rows[i];
    const Floors floors = image.FloorsAt(row.id);
    if (json) {
      out_ << (i == 0 ? "\n" : ",\n") << "  {\"id\": " << row.id << ", \"code\": " << JsonString(row.keyCode)
           << ", \"floors\": " << FloorNumbers(floors) << ", \"comment\": " << JsonString(row.comment) << '}';
    } else {
      out_ << row.id << '\t' << row.keyCode << '\t' << FloorListText(floors) << '\t' << row.comment << '\n';
    }
  }
  if (json) out_ << (rows.empty() ? "]\n" : "\n]\n");
  return SayIfCutShort();
}

int Control::Add() {
  const bool fromReader = Flag("--from-reader");
  if (fromReader == (a_.words.size() == 2)) return Usage(Text::CtlOperandCount, {"add"});
  if (!fromReader && Value("--timeout")) return Usage(Text::CtlOptionNotHere, {"--timeout", "add CODE"});
  std::string typed;
  if (!fromReader) {
    typed = Operand();
    if (!KeyCodeFromText(typed)) return Refuse(Text::CtlBadKeyCode, {typed});
  }
  const std::optional<std::string_view> floorText = Value("--floors");
  if (!floorText) return Usage(Text::CtlFloorsMissing);
  const std::optional<Floors> floors = ParseFloorList(*floorText);
  if (!floors) return Refuse(Text::CtlBadFloors, {*floorText});
  const std::string comment(Value("--comment").value_or(""));
  if (const std::optional<char32_t> c = FirstUnstorableCharacter(comment))
    return Refuse(Text::CtlUnstorableCharacter, {"--comment", DescribeCharacter(*c)});
  int timeout = kDefaultReaderTimeout;
  if (const auto text = Value("--timeout")) {
    const std::optional<int> seconds = WholeNumber(*text, 1, kMaxReaderTimeout);
    if (!seconds)
      return Usage(Text::CtlBadNumber, {"--timeout", *text, "1", std::to_string(kMaxReaderTimeout)});
    timeout = *seconds;
  }

  return WithUnit([&](ControlSession& session) {
    UnitController& c = session.controller();
    if (!fromReader) {
      if (const std::optional<int> id = c.image().FindKeyCode(*KeyCodeFromText(typed))) {
        view_->Message(TrFormat(Text::CtlKeyHeld, l_, {typed, std::to_string(*id)}));
        refused_ = true;
        return kExitBadInput;
      }
    }
    if (!c.image().FirstFreeSlot()) {
      view_->Message(TrFormat(Text::CtlMemoryFull, l_, {"1"}));
      return kExitUnitFailed;
    }
    std::optional<KeyCode> stored;
    bool timedOut = false;
    int dialogs = 0;
    // Who comes to the reader meanwhile is said: a key the unit holds is not taken, and waited past.
    view_->sayKeyStatus = fromReader;
    view_->runKeyDialog = [&](KeyDialog& dialog) {
      TickLoop::Timers timers(session.loop(), [&dialog](int) { dialog.OnTimer(); });
      view_->okDisabled = false;
      // A key the unit holds already comes back here once told: the run ends there.
      const bool open = ++dialogs == 1 && dialog.Open(*view_, timers);
      if (open && fromReader) {
        const auto deadline = session.loop().time().Now() + std::chrono::seconds(timeout);
        session.loop().RunUntil(
            [this] { return view_->keyText != KeyDialog::kNoKeyText || view_->okDisabled; }, deadline);
        timedOut = view_->keyText == KeyDialog::kNoKeyText && !view_->okDisabled;
      } else if (open) {
        dialog.ToggleManualEntry();
        dialog.OnKeyCodeLeft(typed);
      }
      const bool accepted = open && !timedOut && !view_->okDisabled && dialog.Accept(typed, comment);
      dialog.Close(*floors);
      if (!accepted) return KeyDialogEnd::Cancel;
      stored = dialog.keyCode();
      return KeyDialogEnd::Ok;
    };
    c.AddKeys();
    session.Settle();
    if (timedOut) {
      view_->Message(TrFormat(Text::CtlNoKeyAtReader, l_, {std::to_string(timeout)}));
      refused_ = true;
      return kExitBadInput;
    }
    if (!stored || session.Status() != kExitDone) {
      if (!stored && session.Status() == kExitDone) refused_ = true;
      return session.Status();
    }
    const std::optional<int> id = c.image().FindKeyCode(*stored);
    out_ << TrFormat(Text::CtlKeyAdded, l_, {KeyCodeToText(*stored), std::to_string(id.value_or(-1))})
         << '\n';
    return kExitDone;
  });
}

int Control::Edit() {
  const std::optional<int> id = WholeNumber(Operand(), 0, kMaxKeyId);
  if (!id) return Usage(Text::CtlBadNumber, {"ID", Operand(), "0", std::to_string(kMaxKeyId)});
  std::optional<Floors> floors;
  if (const auto text = Value("--floors")) {
    floors = ParseFloorList(*text);
    if (!floors) return Refuse(Text::CtlBadFloors, {*text});
  }
  const std::optional<std::string_view> comment = Value("--comment");
  if (comment) {
    if (const std::optional<char32_t> c = FirstUnstorableCharacter(*comment))
      return Refuse(Text::CtlUnstorableCharacter, {"--comment", DescribeCharacter(*c)});
  }

  return WithUnit([&](ControlSession& session) {
    if (!PickKey(session, *id)) return kExitBadInput;
    bool accepted = false;
    view_->runKeyDialog = [&](KeyDialog& dialog) {
      TickLoop::Timers timers(session.loop(), [&dialog](int) { dialog.OnTimer(); });
      const std::string text = comment ? std::string(*comment) : Cp1250ToUtf8(dialog.setup().commentText);
      accepted = dialog.Open(*view_, timers) && dialog.Accept("", text);
      dialog.Close(floors.value_or(dialog.setup().floors));
      return accepted ? KeyDialogEnd::Ok : KeyDialogEnd::Cancel;
    };
    session.controller().EditKey(*id);
    session.Settle();
    if (!accepted && session.Status() == kExitDone) refused_ = true;
    if (!accepted || session.Status() != kExitDone) return session.Status();
    out_ << TrFormat(Text::CtlKeyEdited, l_, {std::to_string(*id)}) << '\n';
    return kExitDone;
  });
}

int Control::Delete() {
  const std::optional<int> id = WholeNumber(Operand(), 0, kMaxKeyId);
  if (!id) return Usage(Text::CtlBadNumber, {"ID", Operand(), "0", std::to_string(kMaxKeyId)});
  return WithUnit([&](ControlSession& session) {
    if (!PickKey(session, *id)) return kExitBadInput;
    session.controller().DeleteKey(*id);
    session.Settle();
    if (session.Status() != kExitDone) return session.Status();
    out_ << TrFormat(Text::KeyDeleted, l_, *id) << '\n';
    return kExitDone;
  });
}

int Control::Set() {
  const std::set<std::string_view>& settings = kCommands.at("set").options;
  if (std::none_of(settings.begin(), settings.end(),
                   [this](std::string_view option) { return a_.values.contains(option); }))
    return Usage(Text::CtlNothingToSet);
  std::map<std::string_view, bool> switches;
  for (const std::string_view option :
       {"--permanent-access", "--relay-inversion", "--main-relay-inversion"}) {
    if (const auto text = Value(option)) {
      const std::optional<bool> on = OnOff(*text);
      if (!on) return Usage(Text::CtlBadOnOff, {option, *text});
      switches[option] = *on;
    }
  }
  // The dialog judges the ranges; here only what it could not be given at all.
  for (const std::string_view option : {"--access-time", "--comment-length"}) {
    if (const auto text = Value(option); text && !WholeNumber(*text, 0, kMaxRecordSize))
      return Usage(Text::CtlBadNumber, {option, *text, "0", std::to_string(kMaxRecordSize)});
  }
  bool setClock = false;
  if (const auto text = Value("--clock")) {
    if (*text != "now") {
      clockAt_ = DateTime(*text);
      if (!clockAt_) return Usage(Text::CtlBadClock, {*text});
    }
    setClock = true;
  }
  std::optional<int> newCode;
  if (const auto text = Value("--new-code")) {
    newCode = AccessCode(*text);
    if (!newCode) return Usage(Text::CtlBadAccessCode, {"--new-code", *text});
  }

  return WithUnit([&](ControlSession& session) {
    UnitController& c = session.controller();
    bool accepted = false;
    view_->runSettingsDialog = [&](SettingsDialog& dialog) {
      TickLoop::Timers timers(session.loop(), [&dialog](int) { dialog.OnTimer(); });
      if (!dialog.Open(*view_, timers)) {
        dialog.Close();
        return false;
      }
      const SettingsDialogSetup& setup = dialog.setup();
      bool ready = true;
      if (setClock) {
        // The window offers the PC's time only while the unit's clock is shown running.
        session.loop().RunUntil([this] { return view_->clockSettable || view_->okDisabled; },
                                session.loop().time().Now() + kClockWait);
        if (!view_->clockSettable && !view_->okDisabled) view_->Message(Tr(Text::CtlClockNotRunning, l_));
        ready = view_->clockSettable;
      }
      if (ready && newCode) {
        view_->accessCodeAnswers = {setup.accessCode, *newCode, *newCode};
        dialog.ChangeAccessCode();
        ready = dialog.accessCodeChanged();
      }
      SettingsEntries entries;
      entries.accessTime = Value("--access-time").value_or(std::to_string(dialog.accessTimeAtOpen()));
      entries.commentLength = Value("--comment-length").value_or(std::to_string(setup.commentLength));
      entries.elevatorName = Value("--name").value_or(setup.elevatorName);
      const auto on = [&switches](std::string_view option, bool atOpen) {
        const auto found = switches.find(option);
        return found == switches.end() ? atOpen : found->second;
      };
      entries.permanentAccess = on("--permanent-access", dialog.permanentAccessAtOpen());
      entries.relayInversion = on("--relay-inversion", setup.relayInversion);
      entries.mainRelayInversion = on("--main-relay-inversion", setup.mainRelayInversion);
      entries.setClock = setClock;
      accepted = ready && !view_->okDisabled && dialog.Accept(entries);
      dialog.Close();
      return accepted;
    };
    const bool started = c.StartWriteSettings();
    session.Settle();
    if (!accepted && session.Status() == kExitDone) refused_ = true;
    // Taken, but not begun: the backup a new comment length needs failed, and the box said why.
    if (accepted && !started) {
      view_->Message(Tr(Text::CtlNotChanged, l_));
      return kExitUnitFailed;
    }
    if (!accepted || session.Status() != kExitDone) return session.Status();
    out_ << Tr(Text::CtlSettingsWritten, l_) << '\n';
    return kExitDone;
  });
}

int Control::Import() {
  const std::filesystem::path path(Operand());
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  if (!file || !(bytes << file.rdbuf())) return Refuse(Text::CtlCannotRead, {path.string()});
  const CsvImport parsed = ParseCsvImport(bytes.str());
  if (!parsed.Ok()) {
    for (const CsvImportError& error : parsed.errors) err_ << CsvImportMessage(error, l_) << '\n';
    return Refuse(Text::CtlNotChanged);
  }

  return WithUnit([&](ControlSession& session) {
    UnitController& c = session.controller();
    // The comment length is the unit's, known only now; every line over it is named before
    // anything is written.
    const int maxComment = c.image().RecordSize() - static_cast<int>(kCommentOffset);
    for (const ImportedKey& key : parsed.keys) {
      if (static_cast<int>(key.comment.size()) > maxComment) {
        view_->Message(TrFormat(Text::CtlLineCommentTooLong, l_,
                                {std::to_string(key.line), std::to_string(maxComment)}));
        refused_ = true;
      }
    }
    if (refused_) return kExitBadInput;
    std::vector<const ImportedKey*> pending;
    std::map<KeyCode, int> lineOf;
    for (const ImportedKey& key : parsed.keys) {
      const std::string code = KeyCodeToText(key.code);
      if (const std::optional<int> id = c.image().FindKeyCode(key.code)) {
        view_->Message(
            TrFormat(Text::CtlLineKeyHeld, l_, {std::to_string(key.line), code, std::to_string(*id)}));
      } else if (const auto [first, fresh] = lineOf.emplace(key.code, key.line); !fresh) {
        view_->Message(TrFormat(Text::CtlLineRepeated, l_,
                                {std::to_string(key.line), code, std::to_string(first->second)}));
      } else {
        pending.push_back(&key);
      }
    }
    std::size_t next = 0;
    view_->runKeyDialog = [&](KeyDialog& dialog) {
      TickLoop::Timers timers(session.loop(), [&dialog](int) { dialog.OnTimer(); });
      const ImportedKey& key = *pending[next];
      const std::string typed = KeyCodeToText(key.code);
      bool accepted = dialog.Open(*view_, timers);
      if (accepted) {
        dialog.ToggleManualEntry();
        dialog.OnKeyCodeLeft(typed);
        accepted = dialog.Accept(typed, Cp1250ToUtf8(key.comment));
      }
      dialog.Close(key.floors);
      if (!accepted) {
        refused_ = !view_->okDisabled;
        return KeyDialogEnd::Cancel;
      }
      ++next;
      return next < pending.size() && dialog.setup().nextKeyAllowed ? KeyDialogEnd::NextKey
                                                                    : KeyDialogEnd::Ok;
    };
    // Runs of at most 101 keys, each saved before the next begins, as the window's add-keys runs.
    while (next < pending.size()) {
      const std::size_t before = next;
      c.AddKeys();
      session.Settle();
      if (refused_ || session.Status() != kExitDone) return session.Status();
      // A first Ctrl+C lets the run being saved end; the runs after it are not begun.
      if (TickLoop::Interrupted()) {
        view_->Message(TrFormat(Text::CtlImportStopped, l_,
                                {std::to_string(next), std::to_string(pending.size() - next)}));
        return kExitInterrupted;
      }
      if (next == before) {
        view_->Message(TrFormat(Text::CtlMemoryFull, l_, {std::to_string(pending.size() - next)}));
        return kExitUnitFailed;
      }
    }
    out_ << TrFormat(Text::CtlImported, l_,
                     {std::to_string(pending.size()), std::to_string(parsed.keys.size() - pending.size())})
         << '\n';
    return kExitDone;
  });
}

int Control::Watch(ControlSession& session) {
  UnitController& c = session.controller();
  view_->Message(Tr(Text::CtlWatching, l_));
  bool wasHeld = false;
  KeyCode lastCode{};
  session.loop().RunUntil([&] {
    const bool held = c.selection().keyAtReader();
    if (held && (!wasHeld || c.selection().readerCode() != lastCode)) {
      const std::optional<int> id = c.image().FindKeyCode(c.selection().readerCode());
      const std::string code = Cp1250ToUtf8(KeyCodeToText(c.selection().readerCode()));
      if (id)
        out_ << *id << '\t' << Cp1250ToUtf8(c.image().CommentText(*id)) << '\t' << code << std::endl;
      else
        out_ << "-\t" << Tr(Text::CtlUnknownKey, l_) << '\t' << code << std::endl;
    }
    wasHeld = held;
    lastCode = c.selection().readerCode();
    return c.sequencer().linkOpen != 1;
  });
  // Ctrl+C is how a watch ends.
  return TickLoop::Interrupted() && c.sequencer().linkOpen == 1 ? kExitDone : session.Status();
}

int Control::Run() {
  if (Flag("--help")) {
    out_ << Tr(Text::CtlHelp, l_);
    return kExitDone;
  }
  const std::optional<SessionSetup> setup = ReadSessionSetup();
  if (!setup) return kExitBadInput;
  sessionSetup_ = *setup;
  const std::string_view command = a_.words[0];
  if (command == "info") return WithUnit([this](ControlSession& s) { return Info(s); }, true);
  if (command == "list") return WithUnit([this](ControlSession& s) { return List(s); }, true);
  if (command == "watch") return WithUnit([this](ControlSession& s) { return Watch(s); });
  if (command == "add") return Add();
  if (command == "edit") return Edit();
  if (command == "delete") return Delete();
  if (command == "set") return Set();
  if (command == "import") return Import();
  const std::filesystem::path file(a_.words.size() > 1 ? Operand() : std::string_view());
  if (command == "backup" || command == "export") {
    if (!MayWrite(file)) return kExitBadInput;
    view_->fileToSave = file;
    const bool backup = command == "backup";
    const std::string report = TrFormat(backup ? Text::CtlSaved : Text::KymWrote, l_, {file.string()});
    return WithUnit([&](ControlSession& s) {
      return RunArchive(
          s, [backup](ArchiveDialog& d) { backup ? d.SaveImage() : d.ExportCsv(); }, report);
    });
  }
  if (command == "restore") {
    ImageBytes image{};
    ImageSettings settings{};
    if (const FileResult result = LoadImageFile(file, image, settings); !result.Ok()) {
      ReportFileError(result, l_, err_);
      return kExitBadInput;
    }
    if (!Ask(Text::ConfirmRewriteAllKeys)) return Refuse(Text::CtlNotChanged);
    view_->fileToOpen = file;
    const std::string report = TrFormat(Text::CtlRestored, l_, {file.string()});
    return WithUnit([&](ControlSession& s) {
      return RunArchive(
          s, [](ArchiveDialog& d) { d.LoadImage(); }, report);
    });
  }
  const bool keys = command == "clear-keys";
  if (!Ask(keys ? Text::ConfirmDeleteAllKeys : Text::ConfirmDeleteAllLogs))
    return Refuse(Text::CtlNotChanged);
  return WithUnit([&](ControlSession& s) {
    return RunArchive(
        s, [keys](ArchiveDialog& d) { keys ? d.DeleteAllKeys() : d.DeleteAllLogs(); },
        Tr(keys ? Text::AllKeysDeleted : Text::AllLogsDeleted, l_));
  });
}

}  // namespace

int RunControl(std::span<const std::string_view> arguments, const ControlEnvironment& environment,
               const ControlWorld& world, std::ostream& out, std::ostream& err, std::istream& in) {
  const Arguments parsed = Parse(arguments);
  Language language = environment.systemLanguage;
  if (const auto found = parsed.values.find("--lang"); found != parsed.values.end()) {
    if (found->second != "cs" && found->second != "en") {
      err << TrFormat(Text::KymBadLanguage, language, {found->second}) << '\n';
      return kExitBadInput;
    }
    language = found->second == "cs" ? Language::Czech : Language::English;
  }
  if (parsed.error) {
    const std::vector<std::string>& words = parsed.errorWords;
    err << TrFormat(*parsed.error, language,
                    {words.empty() ? "" : words[0], words.size() < 2 ? "" : words[1]})
        << '\n'
        << Tr(Text::CtlBadArguments, language) << '\n';
    return kExitBadInput;
  }
  Control control(parsed, language, environment, world, out, err, in);
  return control.Run();
}

}  // namespace qel
