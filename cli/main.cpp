#include <cstdlib>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/KymCommand.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argc > 1 ? argv + 1 : argv, argc > 1 ? argv + argc : argv);
  const qel::Language language =
      qel::SystemLanguage({std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")});
  return qel::RunKym(arguments, language, std::cout, std::cerr);
}
