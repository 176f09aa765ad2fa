#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/ControlCommand.h"
#include "cli/KymCommand.h"
#include "link/SystemSerialDevice.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argc > 1 ? argv + 1 : argv, argc > 1 ? argv + argc : argv);
  qel::ControlEnvironment environment;
  environment.systemLanguage =
      qel::SystemLanguage({std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")});
  environment.inputIsTerminal = isatty(STDIN_FILENO) != 0;
  environment.errorIsTerminal = isatty(STDERR_FILENO) != 0;
  if (const char* code = std::getenv("QEL_ACCESS_CODE")) environment.accessCodeVariable = code;
  qel::TickLoop::CatchInterrupts();
  const auto device = qel::MakeSystemSerialDevice();
  qel::TickLoop::SystemTime time;
  qel::SystemLocalClock localClock;
  return qel::RunControl(arguments, environment, {*device, time, localClock}, std::cout, std::cerr, std::cin);
}
