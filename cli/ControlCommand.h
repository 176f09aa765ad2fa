#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/ControlSession.h"
#include "texts/Language.h"

namespace qel {

// What qelctl learns of its surroundings before it reads its arguments.
struct ControlEnvironment {
  Language systemLanguage = Language::English;
  bool inputIsTerminal = false;
  bool errorIsTerminal = false;
  // That terminal redraws a line with escape sequences (a Windows console may not).
  bool errorTakesEscapes = false;
  // The system names its serial ports COM1, COM2, ... (Windows): --device COM3 is then --port 3,
  // so that the messages name the port as the operator does.
  bool comPortNames = false;
  // QEL_ACCESS_CODE, when it is set (also when set empty).
  std::optional<std::string> accessCodeVariable;
};

// qelctl without its program name. Reports go to `out`, messages and the progress bar to `err`,
// questions are read from `in`. Returns the exit status: 0 done, 1 the unit failed, 2 bad usage
// or bad input (or a question answered no), 3 no unit found or the access code refused.
int RunControl(std::span<const std::string_view> arguments, const ControlEnvironment& environment,
               const ControlWorld& world, std::ostream& out, std::ostream& err, std::istream& in);

}  // namespace qel
