#include "cli/ControlSession.h"

#include "texts/Texts.h"

namespace qel {
namespace {

// A date and time the operator gave, running on from the moment it was given on the calendar
// without a time zone: no daylight-saving hour is skipped or doubled.
class GivenClock final : public LocalClock {
 public:
  GivenClock(const LocalTime& at, TickLoop::TimeSource& time) : time_(time), start_(time.Now()), given_(at) {}

  // To the millisecond, so that the clock write can tell when its fields arrive.
  LocalTime Now() const override {
    return Advanced(given_, std::chrono::duration_cast<std::chrono::milliseconds>(time_.Now() - start_));
  }

 private:
  TickLoop::TimeSource& time_;
  TickLoop::Clock::time_point start_;
  LocalTime given_;
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
      timers_(loop_, [this](int id) { controller_->OnTimer(id); }) {
  LocalClock* clock = &world.localClock;
  if (setup.clockAt) {
    givenClock_ = std::make_unique<GivenClock>(*setup.clockAt, world.time);
    clock = givenClock_.get();
  }
  controller_ = std::make_unique<UnitController>(port_, timers_, *clock, view_, language);
  if (setup.backupFolder) controller_->backups().SetFolder(*setup.backupFolder);
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
  if (c.sequencer().errorCount() > 0) return kExitUnitFailed;
  if (!c.sequencer().linkOpen()) return kExitNoUnit;
  return kExitDone;
}

bool ControlSession::Writing() const {
  return controller_->sequencer().Writing() || (archive_ && archive_->state() == ArchiveState::Busy);
}

bool ControlSession::Resting() const { return controller_->sequencer().state() != Sequencer::State::Busy; }

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
  return s.errorCount() > 0 || !s.linkOpen() ? kExitUnitFailed : kExitDone;
}

void ControlSession::Close() {
  controller_->sequencer().Hold();
  controller_->Close();
}

}  // namespace qel
