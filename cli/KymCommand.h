#pragma once

#include <ostream>
#include <span>
#include <string_view>

#include "texts/Language.h"

namespace qel {

// The locale variables in the order POSIX gives them precedence; null when unset.
struct LocaleEnvironment {
  const char* lcAll;
  const char* lcMessages;
  const char* lang;
};

// The language the program starts in: Czech for a Czech or Slovak locale, English otherwise.
Language SystemLanguage(const LocaleEnvironment& environment);

// qel-kym without its program name: "show FILE.kym", "csv FILE.kym OUT.csv", "--help", each
// with an optional "--lang cs|en". Returns the exit status: 0 done, 1 a file could not be read
// or written (the program's error number and text on `err`), 2 invalid arguments.
int RunKym(std::span<const std::string_view> arguments, Language systemLanguage, std::ostream& out,
           std::ostream& err);

}  // namespace qel
