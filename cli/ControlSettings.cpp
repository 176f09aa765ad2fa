#include <algorithm>
#include <chrono>
#include <iostream>
#include <string>

#include "cli/Control.h"
#include "texts/Texts.h"

// set: the controller's settings command with what the arguments give; setting the clock runs
// the settings dialog, whose clock poll shows whether the unit's clock runs.

namespace qel {
namespace {

// How long the settings dialog may take to show the unit's clock before it can be set.
constexpr std::chrono::seconds kClockWait{5};

}  // namespace

int Control::Set() {
  const std::optional<SettingsRequest> request = ReadSettingsRequest();
  if (!request) return kExitBadInput;
  // What the dialog judges without the unit is judged before connecting: over a unit with the
  // dialog's defaults, only what the arguments give can be refused.
  SettingsDialogSetup defaults;
  defaults.language = l_;
  const SettingsVerdict verdict = SettingsDialog::Judge(
      Entries(*request, defaults, defaults.accessTime, defaults.accessTime == 0), defaults);
  if (!verdict.Taken()) {
    err_ << verdict.message << '\n';
    return kExitBadInput;
  }
  return WithUnit([&](ControlSession& session) { return WriteSettings(session, *request); });
}

std::optional<SettingsRequest> Control::ReadSettingsRequest() {
  const std::set<std::string_view>& settings = CommandOptions("set");
  if (std::none_of(settings.begin(), settings.end(),
                   [this](std::string_view option) { return a_.values.contains(option); })) {
    Usage(Text::CtlNothingToSet);
    return std::nullopt;
  }
  SettingsRequest request;
  for (const std::string_view option :
       {"--permanent-access", "--relay-inversion", "--main-relay-inversion"}) {
    if (const auto text = Value(option)) {
      const std::optional<bool> on = OnOff(*text);
      if (!on) {
        Usage(Text::CtlBadOnOff, {option, *text});
        return std::nullopt;
      }
      request.switches[option] = *on;
    }
  }
  if (const auto text = Value("--clock")) {
    if (*text != "now") {
      clockAt_ = DateTime(*text);
      if (!clockAt_) {
        Usage(Text::CtlBadClock, {*text});
        return std::nullopt;
      }
    }
    request.setClock = true;
  }
  if (const auto text = Value("--new-code")) {
    request.newCode = AccessCode(*text);
    if (!request.newCode) {
      Usage(Text::CtlBadAccessCode, {"--new-code", *text});
      return std::nullopt;
    }
  }
  return request;
}

SettingsEntries Control::Entries(const SettingsRequest& request, const SettingsDialogSetup& setup,
                                 int accessTimeAtOpen, bool permanentAccessAtOpen) const {
  SettingsEntries entries;
  entries.accessTime = Value("--access-time").value_or(std::to_string(accessTimeAtOpen));
  entries.commentLength = Value("--comment-length").value_or(std::to_string(setup.commentLength));
  entries.elevatorName = Value("--name").value_or(setup.elevatorName);
  const auto on = [&request](std::string_view option, bool atOpen) {
    const auto found = request.switches.find(option);
    return found == request.switches.end() ? atOpen : found->second;
  };
  entries.permanentAccess = on("--permanent-access", permanentAccessAtOpen);
  entries.relayInversion = on("--relay-inversion", setup.relayInversion);
  entries.mainRelayInversion = on("--main-relay-inversion", setup.mainRelayInversion);
  entries.setClock = request.setClock;
  return entries;
}

int Control::WriteSettings(ControlSession& session, const SettingsRequest& request) {
  if (request.setClock) return WriteSettingsWithClock(session, request);
  UnitController& c = session.controller();
  const SettingsDialogSetup setup = c.SettingsSetup();
  const bool permanent = setup.accessTime == 0;
  NewSettings settings{
      Entries(request, setup, permanent ? SettingsDialog::kAccessTimeUnderPermanent : setup.accessTime,
              permanent),
      request.newCode};
  if (request.newCode) view_->ShowMessageBox("", Tr(Text::NewAccessCodeAccepted, l_));
  const SettingsVerdict verdict = SettingsDialog::Judge(settings.entries, setup);
  bool accepted = verdict.Taken();
  if (accepted && verdict.commentLength != setup.commentLength) {
    settings.relayoutConsented =
        view_->Ask(SettingsDialog::RelayoutQuestion(c.image(), verdict.commentLength, l_));
    accepted = settings.relayoutConsented;
  }
  const bool started = c.WriteSettings(settings);
  session.Settle();
  return SettingsWritten(session, accepted, started);
}

int Control::SettingsWritten(ControlSession& session, bool accepted, bool started) {
  if (!accepted && session.Status() == kExitDone) refused_ = true;
  // Taken, but not begun: the backup a new comment length needs failed, and the box said why.
  if (accepted && !started) {
    view_->Message(Tr(Text::CtlNotChanged, l_));
    return kExitUnitFailed;
  }
  if (!accepted || session.Status() != kExitDone) return session.Status();
  out_ << Tr(Text::CtlSettingsWritten, l_) << '\n';
  return kExitDone;
}

int Control::WriteSettingsWithClock(ControlSession& session, const SettingsRequest& request) {
  bool accepted = false;
  view_->runSettingsDialog = [&](SettingsDialog& dialog) {
    accepted = AnswerSettingsDialog(session, dialog, request);
    return accepted;
  };
  const bool started = session.controller().StartWriteSettings();
  session.Settle();
  return SettingsWritten(session, accepted, started);
}

bool Control::AnswerSettingsDialog(ControlSession& session, SettingsDialog& dialog,
                                   const SettingsRequest& request) {
  TickLoop::Timers timers(session.loop(), [&dialog](int) { dialog.OnTimer(); });
  if (!dialog.Open(*view_, timers)) {
    dialog.Close();
    return false;
  }
  bool ready = true;
  if (request.setClock) {
    // The window offers the PC's time only while the unit's clock is shown running.
    session.loop().RunUntil([this] { return view_->clockSettable || view_->okDisabled; },
                            session.loop().time().Now() + kClockWait);
    if (!view_->clockSettable && !view_->okDisabled) view_->Message(Tr(Text::CtlClockNotRunning, l_));
    ready = view_->clockSettable;
  }
  if (ready && request.newCode) {
    view_->accessCodeAnswers = {dialog.setup().accessCode, *request.newCode, *request.newCode};
    dialog.ChangeAccessCode();
    ready = dialog.accessCodeChanged();
  }
  const SettingsEntries entries =
      Entries(request, dialog.setup(), dialog.accessTimeAtOpen(), dialog.permanentAccessAtOpen());
  const bool accepted = ready && !view_->okDisabled && dialog.Accept(entries);
  dialog.Close();
  return accepted;
}

}  // namespace qel
