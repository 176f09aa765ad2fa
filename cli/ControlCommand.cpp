#include "cli/ControlCommand.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "cli/CodeFile.h"
#include "cli/Control.h"
#include "cli/KymCommand.h"
#include "texts/PlatformTexts.h"
#include "texts/Texts.h"
#include "texts/Utf8Path.h"

namespace qel {
namespace {

// The first line of a code file without its line end. Only the first bytes are read: a longer
// line is no access code anyway, and a device or a pipe given by mistake ends the read.
FileResult ReadFirstLine(const std::filesystem::path& path, std::string& line) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return FileResult{FileError::CannotOpen, path, 0, std::strerror(errno)};
  std::array<char, 16> buffer{};
  file.read(buffer.data(), buffer.size());
  if (file.bad()) return FileResult{FileError::CannotRead, path, 0, std::strerror(errno)};
  const auto length = static_cast<std::size_t>(file.gcount());
  line.assign(buffer.data(), std::find(buffer.data(), buffer.data() + length, '\n'));
  if (line.ends_with('\r')) line.pop_back();
  return FileResult{};
}

// The number of a port named as Windows names it, "COM3" or "\\.\COM3" in any case; none for
// another path, or a number beyond the port table, which is opened as it is.
std::optional<int> ComPortNumber(std::string_view device) {
  if (device.starts_with("\\\\.\\")) device.remove_prefix(4);
  const auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
  if (device.size() < 4 || lower(device[0]) != 'c' || lower(device[1]) != 'o' || lower(device[2]) != 'm')
    return std::nullopt;
  return WholeNumber(device.substr(3), PortTable::kFirstPort, PortTable::kLastPort);
}

}  // namespace

Control::Control(const Arguments& arguments, Language language, const ControlEnvironment& environment,
                 const ControlWorld& world, std::ostream& out, std::ostream& err, std::istream& in)
    : a_(arguments),
      l_(language),
      codeVariable_(environment.accessCodeVariable),
      comPortNames_(environment.comPortNames),
      world_(world),
      out_(out),
      err_(err) {
  ConsoleSetup setup;
  setup.language = language;
  setup.verbose = a_.flags.contains("--verbose");
  setup.assumeYes = a_.flags.contains("--yes");
  setup.interactive = environment.inputIsTerminal;
  setup.progressBar = environment.errorIsTerminal;
  setup.escapes = environment.errorTakesEscapes;
  view_ = std::make_unique<ConsoleView>(setup, err, in);
}

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
  if (const auto device = Value("--device")) {
    if (const std::optional<int> port = comPortNames_ ? ComPortNumber(*device) : std::nullopt)
      setup.port = port;
    else
      setup.device = std::string(*device);
  }
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
  if (const auto folder = Value("--backup-dir")) setup.backupFolder = PathFromUtf8(*folder);
  return setup;
}

bool Control::ReadAccessCode(SessionSetup& setup) {
  std::optional<int> number;
  if (const auto code = Value("--code")) {
    number = AccessCode(*code);
    if (!number) Usage(Text::CtlBadAccessCode, {"--code", *code});
  } else if (const auto file = Value("--code-file")) {
    std::string line;
    if (const FileResult result = ReadFirstLine(PathFromUtf8(*file), line); !result.Ok()) {
      ReportFileError(result, l_, err_);
      return false;
    }
    number = AccessCode(line);
    if (!number) Refuse(Text::CtlBadCodeFile, {*file});
    if (number && OthersMayRead(PathFromUtf8(*file)))
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
  if (partList && status == kExitUnitFailed && session.controller().keyLoad().cutShort()) status = kExitDone;
  if (status == kExitDone) {
    status = work(session);
    if (status == kExitDone) status = session.Status();
    StoreAgainHints(session.controller());
    // A failure's report names the backup already; after a good run the operator learns it here.
    const std::optional<std::filesystem::path>& backup = session.controller().lastBackup();
    if (status == kExitDone && backup && !Flag("--verbose"))
      view_->Message(TrFormat(Text::AutomaticBackupSaved, l_, {Utf8FromPath(*backup)}));
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

int Control::Run() {
  if (Flag("--help")) {
    out_ << TrHere(Text::CtlHelp, l_);
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
  if (command == "backup" || command == "export") return Save();
  if (command == "restore") return Restore();
  return Clear();
}

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
