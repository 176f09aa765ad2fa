#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "texts/Language.h"

namespace qel {

// What a command-line program takes from the system as it starts: its arguments in UTF-8, the
// language, and whether a person sits at its terminals. On Windows it also sets the console up for
// the run (UTF-8 output, the escapes that redraw the progress bar) and puts it back at the end.
class ProgramStart {
 public:
  ProgramStart(int argc, char** argv);
  ~ProgramStart() {
    for (auto undo = undo_.rbegin(); undo != undo_.rend(); ++undo) (*undo)();
  }
  ProgramStart(const ProgramStart&) = delete;
  ProgramStart& operator=(const ProgramStart&) = delete;

  // The arguments after the program's name.
  std::vector<std::string_view> Arguments() const { return {arguments_.begin(), arguments_.end()}; }
  Language language() const { return language_; }
  bool inputIsTerminal() const { return inputIsTerminal_; }
  bool errorIsTerminal() const { return errorIsTerminal_; }
  // Standard error is a terminal that redraws a line with escape sequences.
  bool errorTakesEscapes() const { return errorTakesEscapes_; }
  // The system names its serial ports COM1, COM2, ... rather than by device paths.
  bool comPortNames() const { return comPortNames_; }

 private:
  std::vector<std::string> arguments_;
  Language language_ = Language::English;
  bool inputIsTerminal_ = false;
  bool errorIsTerminal_ = false;
  bool errorTakesEscapes_ = false;
  bool comPortNames_ = false;
  // What the start changed in the console, undone in reverse order.
  std::vector<std::function<void()>> undo_;
};

}  // namespace qel
