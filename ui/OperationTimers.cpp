#include "ui/OperationTimers.h"

#include <QTimerEvent>
#include <utility>

namespace qel {

OperationTimers::OperationTimers(std::function<void(int id)> onTick, QObject* parent)
    : QObject(parent), m_onTick(std::move(onTick)) {}

bool OperationTimers::Start(int id, std::chrono::milliseconds period) {
  if (!ValidId(id) || period <= std::chrono::milliseconds::zero()) return false;
  Stop(id);
  m_qtIds[static_cast<std::size_t>(id)] = startTimer(period, Qt::PreciseTimer);
  return IsRunning(id);
}

void OperationTimers::Stop(int id) {
  if (!IsRunning(id)) return;
  killTimer(m_qtIds[static_cast<std::size_t>(id)]);
  m_qtIds[static_cast<std::size_t>(id)] = 0;
}

void OperationTimers::StopAll() {
  for (int id = kFirstId; id <= kLastId; ++id) Stop(id);
}

bool OperationTimers::IsRunning(int id) const {
  return ValidId(id) && m_qtIds[static_cast<std::size_t>(id)] != 0;
}

void OperationTimers::timerEvent(QTimerEvent* event) {
  for (int id = kFirstId; id <= kLastId; ++id) {
    if (m_qtIds[static_cast<std::size_t>(id)] == event->timerId()) {
      m_onTick(id);
      return;
    }
  }
  QObject::timerEvent(event);
}

}  // namespace qel
