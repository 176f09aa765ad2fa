#include <iostream>
#include <string_view>
#include <vector>

#include "cli/KymCommand.h"
#include "cli/ProgramStart.h"

int main(int argc, char** argv) {
  const qel::ProgramStart start(argc, argv);
  const std::vector<std::string_view> arguments = start.Arguments();
  return qel::RunKym(arguments, start.language(), std::cout, std::cerr);
}
