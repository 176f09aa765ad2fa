#include "cli/ControlSession.h"

#include <ctime>

#include "texts/Texts.h"

namespace qel {
namespace {

// A date and time the operator gave, running on from the moment it was given.
class GivenClock final : public LocalClock {
 public:
  GivenClock(const LocalTime& at, TickLoop::TimeSource& time) : time_(time), start_(time.Now()) {
    std::tm fields{};
    fields.tm_year = at.year - 1900;
    fields.tm_mon = at.month - 1;
    fields.tm_mday = at.day;
    fields.tm_hour = at.hour;
    fields.tm_min = at.minute;
    fields.tm_sec = at.second;
    // Calendar arithmetic without a time zone: no daylight-saving hour is skipped or doubled.
    given_ = timegm(&fields);
  }

  LocalTime Now() const override {
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(time_.Now() - start_);
    const std::time_t now = given_ + static_cast<std::time_t>(elapsed.count());
    std::tm fields{};
    gmtime_r(&now, &fields);
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
            fields.tm_hour,        fields.tm_min,     fields.tm_sec};
  }

 private:
  TickLoop::TimeSource& time_;
  TickLoop::Clock::time_point start_;
  std::time_t given_ = 0;
};

// The single COM number a --device path is tried as.
constexpr int kDevicePort = 1;

}  // namespace

ControlSession::ControlSession(const SessionSetup& setup, const ControlWorld& world, ConsoleView& view,
                               Language language)
    : setup_(setup),
      view_(view),
      port_(world.device, ports_, view),
      loop_(world.time),
      timers_(loop_, [this](int id) {
        controller_->OnTimer(id);
        if (controller_->sequencer().currentTimerId == kKeyLoadTimer)
          view_.ShowLoadProgress(controller_->keyLoad().loadedBytes);
      }) {
  LocalClock* clock = &world.localClock;
  if (setup.clockAt) {
    givenClock_ = std::make_unique<GivenClock>(*setup.clockAt, world.time);
    clock = givenClock_.get();
  }
  controller_ = std::make_unique<UnitController>(port_, timers_, *clock, view_, language);
  if (setup.backupFolder) controller_->SetBackupFolder(*setup.backupFolder);
  loop_.DeferInterrupts([this] { return Writing(); },
                        [this, language] { view_.Message(Tr(Text::CtlStopWhileWriting, language)); });
  if (setup.device)
    ports_.Assign(kDevicePort, *setup.device);
  else
    ports_.Scan();
}

ControlSession::~ControlSession() = default;

int ControlSession::Connect() {
  UnitController& c = *controller_;
  c.Start();
  ConnectChoice choice;
  choice.accessCode = setup_.accessCode;
  choice.transport = setup_.bluetooth ? 2 : 1;
  if (setup_.device || setup_.port) {
    choice.manualPort = 1;
    choice.port = setup_.device ? kDevicePort : *setup_.port;
  }
  view_.connectChoice = choice;
  c.ConnectCommand();
  if (Settle() == TickLoop::Stop::Interrupted) return kExitInterrupted;
  view_.HideProgress();
  if (c.sequencer().errorCount > 0) return kExitUnitFailed;
  if (c.sequencer().linkOpen != 1) return kExitNoUnit;
  return kExitDone;
}

bool ControlSession::Writing() const {
  const int running = controller_->sequencer().currentTimerId;
  return running == kSettingsWriteTimer || running == kDeleteKeyTimer || running == kSaveKeyTimer ||
         running == kSavePauseTimer || view_.archiveButtons == ArchiveButtons::Busy;
}

bool ControlSession::Resting() const {
  const Sequencer& s = controller_->sequencer();
  return s.linkOpen != 1 || s.currentTimerId == kWatchdogTimer || s.currentTimerId <= 0;
}

TickLoop::Stop ControlSession::Settle() {
  const TickLoop::Stop stop = loop_.RunUntil([this] { return Resting(); });
  if (stop == TickLoop::Stop::Interrupted && Writing()) {
    writeStopped_ = true;
    view_.Message(controller_->StopWriteForClose());
  }
  return stop;
}

int ControlSession::Status() const {
  if (writeStopped_) return kExitInterrupted;
  const Sequencer& s = controller_->sequencer();
  return s.errorCount > 0 || s.linkOpen != 1 ? kExitUnitFailed : kExitDone;
}

void ControlSession::Close() {
  controller_->sequencer().StopTimer(controller_->sequencer().currentTimerId);
  controller_->Close();
}

}  // namespace qel
