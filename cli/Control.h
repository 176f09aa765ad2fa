#pragma once

// The run of one qelctl command, shared by the sources of its command families; not for use
// outside cli/.

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ControlArguments.h"
#include "cli/ControlCommand.h"
#include "cli/ControlSession.h"
#include "files/CsvImport.h"

namespace qel {

// What `set` was asked to change beyond the boxes' texts.
struct SettingsRequest {
  std::map<std::string_view, bool> switches;  // --permanent-access and the relay inversions
  bool setClock = false;
  std::optional<int> newCode;
};

// A key to add as the arguments give it.
struct KeyRequest {
  bool fromReader = false;
  std::string typed;  // the code, when not from the reader
  Floors floors{};
  std::string comment;  // UTF-8
  int timeout = 0;      // seconds at the reader
};

// One run of qelctl: the arguments judged, then the unit reached and the command's flow run.
class Control {
 public:
  Control(const Arguments& arguments, Language language, const ControlEnvironment& environment,
          const ControlWorld& world, std::ostream& out, std::ostream& err, std::istream& in);

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
  // A typed key code and a comment as the key dialog of any unit judges them; false (and said
  // why) when refused. The comment's limit is the longest any unit holds: the unit's own comes
  // once connected.
  bool JudgeKey(std::optional<std::string_view> typed, std::string_view comment);
  // Whether the ID the command names holds a key; false, and the operator told, when not.
  bool PickKey(ControlSession& session, int id);
  // For each key a failed or stopped write left marked: the command that puts it right.
  void StoreAgainHints(const UnitController& c);
  // Runs the archive's work on a timer of the session's loop, the command given on it, until its
  // transfer ends; `report` when it came out well.
  int RunArchive(ControlSession& session, const std::function<bool(ArchiveTransfers&)>& command,
                 std::string_view report);
  // A second Ctrl+C stopped a restore or a deletion of all keys or logs: what the unit is left with.
  void StoppedTransfer(ControlSession& session);

  int Info(ControlSession& session);
  int List(ControlSession& session);
  int Watch(ControlSession& session);

  int Add();
  std::optional<KeyRequest> ReadKeyRequest();
  int AddKey(ControlSession& session, const KeyRequest& key);
  // The add run of a key awaited at the reader until a new one is held there.
  int AddFromReader(ControlSession& session, const KeyRequest& key);
  void SayKeyAdded(const UnitController& c, const KeyCode& code);
  int Edit();
  int Delete();
  int Import();
  int ImportKeys(ControlSession& session, const CsvImport& parsed);
  // Runs of at most 101 keys, each saved before the next begins, as the window's add-keys runs;
  // the exit status when the import ends before all are saved.
  std::optional<int> SaveImported(ControlSession& session, const std::vector<const ImportedKey*>& pending);

  int Set();
  std::optional<SettingsRequest> ReadSettingsRequest();
  // The boxes as the settings dialog would hold them: what the arguments give, else what the
  // dialog shows at its opening.
  SettingsEntries Entries(const SettingsRequest& request, const SettingsDialogSetup& setup,
                          int accessTimeAtOpen, bool permanentAccessAtOpen) const;
  int WriteSettings(ControlSession& session, const SettingsRequest& request);
  // What became of the write: the exit status, and the line that says it was written.
  int SettingsWritten(ControlSession& session, bool accepted, bool started);

  int Save();
  int Restore();
  int Clear();

  const Arguments& a_;
  Language l_;
  std::optional<std::string> codeVariable_;
  bool comPortNames_;
  const ControlWorld& world_;
  std::ostream& out_;
  std::ostream& err_;
  std::unique_ptr<ConsoleView> view_;
  SessionSetup sessionSetup_;
  std::optional<LocalTime> clockAt_;
  // A dialog turned the command's input down (the operator was told why): nothing was written.
  bool refused_ = false;
};

}  // namespace qel
