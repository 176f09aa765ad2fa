#include <algorithm>
#include <iostream>
#include <string>

#include "cli/Control.h"
#include "texts/Texts.h"

// set: the controller's settings command with what the arguments give.

namespace qel {

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
  bool started = c.WriteSettings(settings);
  session.Settle();
  // The clock is set only once the unit's clock is seen running, and the write waits for that.
  if (request.setClock && started) {
    const ClockCheckOperation& check = c.clockCheck();
    if (!check.clockRunning() && session.Status() == kExitDone)
      view_->Message(Tr(Text::CtlClockNotRunning, l_));
    accepted = accepted && check.clockRunning();
    started = check.writeBegun();
  }
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

}  // namespace qel
