#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Control.h"
#include "dialogs/KeyImport.h"
#include "keystore/FloorList.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"
#include "texts/Utf8Path.h"

// add, edit, delete and import: keys written by the controller's key commands, as the window's
// dialogs end in them.

namespace qel {
namespace {

constexpr int kDefaultReaderTimeout = 30;
constexpr int kMaxReaderTimeout = 3600;
constexpr int kMaxKeyId = kMostRecords - 1;

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

}  // namespace

bool Control::JudgeKey(std::optional<std::string_view> typed, std::string_view comment) {
  const KeyVerdict verdict = KeyDialog::Judge({typed, comment, SettingsDialog::kMaxCommentLength, l_});
  if (verdict.Taken()) return true;
  // A code on the command line is named, with the forms it may take.
  if (verdict.refused == KeyVerdict::Refused::KeyCode)
    Refuse(Text::CtlBadKeyCode, {*typed});
  else
    err_ << verdict.message << '\n';
  return false;
}

int Control::Add() {
  const std::optional<KeyRequest> key = ReadKeyRequest();
  if (!key) return kExitBadInput;
  return WithUnit([&](ControlSession& session) { return AddKey(session, *key); });
}

std::optional<KeyRequest> Control::ReadKeyRequest() {
  KeyRequest key;
  key.fromReader = Flag("--from-reader");
  if (key.fromReader == (a_.words.size() == 2)) {
    Usage(Text::CtlOperandCount, {"add"});
    return std::nullopt;
  }
  if (!key.fromReader && Value("--timeout")) {
    Usage(Text::CtlOptionNotHere, {"--timeout", "add CODE"});
    return std::nullopt;
  }
  if (!key.fromReader) key.typed = Operand();
  key.comment = Value("--comment").value_or("");
  if (!JudgeKey(key.fromReader ? std::nullopt : std::optional<std::string_view>(key.typed), key.comment))
    return std::nullopt;
  const std::optional<std::string_view> floorText = Value("--floors");
  if (!floorText) {
    Usage(Text::CtlFloorsMissing);
    return std::nullopt;
  }
  const std::optional<Floors> floors = ParseFloorList(*floorText);
  if (!floors) {
    Refuse(Text::CtlBadFloors, {*floorText});
    return std::nullopt;
  }
  key.floors = *floors;
  key.timeout = kDefaultReaderTimeout;
  if (const auto text = Value("--timeout")) {
    const std::optional<int> seconds = WholeNumber(*text, 1, kMaxReaderTimeout);
    if (!seconds) {
      Usage(Text::CtlBadNumber, {"--timeout", *text, "1", std::to_string(kMaxReaderTimeout)});
      return std::nullopt;
    }
    key.timeout = *seconds;
  }
  return key;
}

int Control::AddKey(ControlSession& session, const KeyRequest& key) {
  UnitController& c = session.controller();
  if (!key.fromReader) {
    if (const std::optional<int> id = c.image().FindKeyCode(*KeyCodeFromText(key.typed))) {
      view_->Message(TrFormat(Text::CtlKeyHeld, l_, {key.typed, std::to_string(*id)}));
      refused_ = true;
      return kExitBadInput;
    }
  }
  if (!c.image().FirstFreeSlot()) {
    view_->Message(TrFormat(Text::CtlMemoryFull, l_, {"1"}));
    return kExitUnitFailed;
  }
  if (key.fromReader) return AddFromReader(session, key);
  const KeyCode code = *KeyCodeFromText(key.typed);
  const int stored = c.AddKeys({{code, key.floors, key.comment}});
  session.Settle();
  if (stored == 0 && session.Status() == kExitDone) refused_ = true;
  if (stored == 0 || session.Status() != kExitDone) return session.Status();
  SayKeyAdded(c, code);
  return kExitDone;
}

int Control::AddFromReader(ControlSession& session, const KeyRequest& key) {
  UnitController& c = session.controller();
  // Who comes to the reader meanwhile is said: a key the unit holds is not taken, and waited past.
  c.AddKeyFromReader({key.floors, key.comment, std::chrono::seconds(key.timeout),
                      [this](std::string_view line) { view_->Message(line); }});
  session.Settle();
  if (c.readerWait().timedOut()) {
    view_->Message(TrFormat(Text::CtlNoKeyAtReader, l_, {std::to_string(key.timeout)}));
    refused_ = true;
    return kExitBadInput;
  }
  // A key whose comment this unit cannot hold was turned down, and the box said why.
  const std::optional<KeyCode>& taken = c.readerWait().taken();
  const bool stored = taken && c.image().FindKeyCode(*taken);
  if (!stored || session.Status() != kExitDone) {
    if (!stored && session.Status() == kExitDone) refused_ = true;
    return session.Status();
  }
  SayKeyAdded(c, *taken);
  return kExitDone;
}

void Control::SayKeyAdded(const UnitController& c, const KeyCode& code) {
  const std::optional<int> id = c.image().FindKeyCode(code);
  out_ << TrFormat(Text::CtlKeyAdded, l_, {KeyCodeToText(code), std::to_string(id.value_or(-1))}) << '\n';
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
  if (comment && !JudgeKey(std::nullopt, *comment)) return kExitBadInput;

  return WithUnit([&](ControlSession& session) {
    if (!PickKey(session, *id)) return kExitBadInput;
    const KeyChange change{floors, comment ? std::optional<std::string>(*comment) : std::nullopt};
    const bool started = session.controller().EditKey(*id, change);
    session.Settle();
    if (!started && session.Status() == kExitDone) refused_ = true;
    if (!started || session.Status() != kExitDone) return session.Status();
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

int Control::Import() {
  const std::filesystem::path path = PathFromUtf8(Operand());
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  if (!file || !(bytes << file.rdbuf())) return Refuse(Text::CtlCannotRead, {Utf8FromPath(path)});
  const CsvImport parsed = ParseCsvImport(bytes.str());
  if (!parsed.Ok()) {
    for (const CsvImportError& error : parsed.errors) err_ << CsvImportMessage(error, l_) << '\n';
    return Refuse(Text::CtlNotChanged);
  }
  return WithUnit([&](ControlSession& session) { return ImportKeys(session, parsed); });
}

int Control::ImportKeys(ControlSession& session, const CsvImport& parsed) {
  // The comment length is the unit's, known only now; every line over it is named before
  // anything is written.
  const ImportPlan plan = PlanImport(parsed.keys, session.controller().image());
  for (const int line : plan.longComments) {
    view_->Message(LongCommentMessage(line, plan.maxComment, l_));
    refused_ = true;
  }
  if (refused_) return kExitBadInput;
  // Keys past the free records are tried too: the unit's full memory is then reported.
  std::vector<const ImportedKey*> pending;
  for (const PlannedKey& key : plan.keys) pending.push_back(&key.key);
  for (const ImportSkip& skip : plan.skipped) {
    if (skip.reason == ImportSkip::Reason::NoFreeSlot)
      pending.push_back(&skip.key);
    else
      view_->Message(ImportSkipMessage(skip, l_));
  }
  if (const std::optional<int> status = SaveImported(session, pending)) return *status;
  out_ << TrFormat(Text::CtlImported, l_,
                   {std::to_string(pending.size()), std::to_string(parsed.keys.size() - pending.size())})
       << '\n';
  return kExitDone;
}

std::optional<int> Control::SaveImported(ControlSession& session,
                                         const std::vector<const ImportedKey*>& pending) {
  std::size_t next = 0;
  while (next < pending.size()) {
    // Runs of at most kNextKeyLimit + 1 keys, as the window's add-keys runs take them.
    std::vector<NewKey> run;
    for (std::size_t i = next;
         i < pending.size() && static_cast<int>(run.size()) <= UnitController::kNextKeyLimit; ++i)
      run.push_back({pending[i]->code, pending[i]->floors, Cp1250ToUtf8(pending[i]->comment)});
    UnitController& c = session.controller();
    const std::size_t stored = static_cast<std::size_t>(c.AddKeys(run));
    session.Settle();
    next += stored;
    // A key of the run turned down while slots were left: the box said why.
    if (stored < run.size() && c.image().FirstFreeSlot()) refused_ = true;
    if (refused_ || session.Status() != kExitDone) return session.Status();
    // A first Ctrl+C lets the run being saved end; the runs after it are not begun.
    if (TickLoop::Interrupted()) {
      view_->Message(TrFormat(Text::CtlImportStopped, l_,
                              {std::to_string(next), std::to_string(pending.size() - next)}));
      return kExitInterrupted;
    }
    if (stored == 0) {
      view_->Message(TrFormat(Text::CtlMemoryFull, l_, {std::to_string(pending.size() - next)}));
      return kExitUnitFailed;
    }
  }
  return std::nullopt;
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

void Control::StoreAgainHints(const UnitController& c) {
  std::string prefix = "qelctl";
  for (const std::string_view option : {"--device", "--port", "--backup-dir"})
    if (const auto value = Value(option)) prefix += " " + std::string(option) + " " + ShellWord(*value);
  const KeyMemoryImage& image = c.image();
  for (const auto& [record, mark] : c.ledger().marks()) {
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

}  // namespace qel
