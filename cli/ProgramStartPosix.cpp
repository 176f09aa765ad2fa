#include <unistd.h>

#include <cstdlib>

#include "cli/KymCommand.h"
#include "cli/ProgramStart.h"

namespace qel {

ProgramStart::ProgramStart(int argc, char** argv)
    : arguments_(argc > 1 ? argv + 1 : argv, argc > 1 ? argv + argc : argv),
      language_(SystemLanguage({std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")})),
      inputIsTerminal_(isatty(STDIN_FILENO) != 0),
      errorIsTerminal_(isatty(STDERR_FILENO) != 0),
      errorTakesEscapes_(errorIsTerminal_) {}

}  // namespace qel
