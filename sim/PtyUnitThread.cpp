#include "sim/PtyUnitThread.h"

namespace qel::sim {

PtyUnitThread::PtyUnitThread(std::unique_ptr<SimulatedUnit> unit) : unit_(std::move(unit)), server_(*unit_) {}

PtyUnitThread::~PtyUnitThread() { Stop(); }

bool PtyUnitThread::Start() {
  if (!server_.Open()) return false;
  stop_ = false;
  thread_ = std::thread([this] { server_.Serve(stop_); });
  return true;
}

void PtyUnitThread::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

}  // namespace qel::sim
