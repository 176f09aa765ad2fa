#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string_view>

#include "files/FileResult.h"
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
// The same, or nothing when no locale variable is set (or all are empty).
std::optional<Language> LocaleLanguage(const LocaleEnvironment& environment);
// The language for a Windows user interface language (a LANGID, as GetUserDefaultUILanguage gives
// it): Czech for Czech or Slovak, as for a locale, English otherwise.
Language LanguageOfWindowsUi(unsigned short languageId);

// A file that could not be read or written, on `err` in the words of the program's log: the error
// number when it has one, and the file named.
void ReportFileError(const FileResult& result, Language language, std::ostream& err);

// qel-kym without its program name: "show FILE.kym", "csv FILE.kym OUT.csv", "diff A.kym B.kym",
// "--help", each with an optional "--lang cs|en". Returns the exit status: 0 done, 1 a file could
// not be read or written (the program's error number and text on `err`), 2 invalid arguments.
// diff answers 0 when both backups hold the same keys and settings, 1 when they differ and 2 when
// either file could not be read.
int RunKym(std::span<const std::string_view> arguments, Language systemLanguage, std::ostream& out,
           std::ostream& err);

}  // namespace qel
