#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "cli/KymCommand.h"
#include "cli/ProgramStart.h"
#include "texts/WindowsText.h"

namespace qel {
namespace {

// The arguments as Windows holds them, in UTF-16: main's char** has them in the ANSI code page,
// where a name like záloha-č.kym loses its letters.
std::vector<std::string> WideArguments() {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

// A console, not a file, a pipe or NUL (which _isatty takes for a terminal).
bool IsConsole(DWORD stream) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

}  // namespace

ProgramStart::ProgramStart(int, char**)
    : arguments_(WideArguments()),
      language_(LocaleLanguage({std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")})
                    .value_or(LanguageOfWindowsUi(GetUserDefaultUILanguage()))),
      inputIsTerminal_(IsConsole(STD_INPUT_HANDLE)),
      errorIsTerminal_(IsConsole(STD_ERROR_HANDLE)),
      comPortNames_(true) {
  if (const UINT codePage = GetConsoleOutputCP(); codePage != 0 && SetConsoleOutputCP(CP_UTF8)) {
    undo_.push_back([codePage] {
      std::fflush(nullptr);
      SetConsoleOutputCP(codePage);
    });
  }
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (errorIsTerminal_ && GetConsoleMode(error, &mode) != 0 &&
      SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) {
    errorTakesEscapes_ = true;
    undo_.push_back([error, mode] { SetConsoleMode(error, mode); });
  }
}

}  // namespace qel
