#pragma once

#include <string>
#include <string_view>

namespace qel {

// Windows speaks UTF-16 at its wide entry points; these carry text across to the program's UTF-8.
std::string Utf8FromWide(std::wstring_view wide);
std::wstring WideFromUtf8(std::string_view utf8);
// The system's own message for error `code` (GetLastError), in the user's language, as UTF-8 without
// the trailing line break; "error 1234" when the system has no message for it.
std::string WindowsErrorText(unsigned long code);

}  // namespace qel
