#include <cstdlib>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/ControlCommand.h"
#include "cli/ProgramStart.h"
#include "link/SystemSerialDevice.h"

int main(int argc, char** argv) {
  const qel::ProgramStart start(argc, argv);
  const std::vector<std::string_view> arguments = start.Arguments();
  qel::ControlEnvironment environment;
  environment.systemLanguage = start.language();
  environment.inputIsTerminal = start.inputIsTerminal();
  environment.errorIsTerminal = start.errorIsTerminal();
  environment.errorTakesEscapes = start.errorTakesEscapes();
  environment.comPortNames = start.comPortNames();
  if (const char* code = std::getenv("QEL_ACCESS_CODE")) environment.accessCodeVariable = code;
  qel::TickLoop::CatchInterrupts();
  const auto device = qel::MakeSystemSerialDevice();
  qel::TickLoop::SystemTime time;
  qel::SystemLocalClock localClock;
  return qel::RunControl(arguments, environment, {*device, time, localClock}, std::cout, std::cerr, std::cin);
}
