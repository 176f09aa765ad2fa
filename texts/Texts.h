#pragma once

#include <string>
#include <string_view>

#include "texts/Language.h"

namespace qel {

// Every text the program shows or logs, in both languages. The wording is fixed: operators and
// their documentation quote these lines, so change none of them lightly.
enum class Text {
  // Message box captions and serial set-up warnings (English whatever the language).
  ApplicationCaption,
  WarningCaption,
  CannotSetComParameters,
  CannotSetTimeouts,
  TimerError,

  // Error reports of the sequencer; %i is the error number.
  CriticalError,
  LinkLostError,
  LoggedErrorPrefix,

  Count
};

// The text of `id` in `language`, exactly as the table holds it (printf placeholders included).
std::string_view Tr(Text id, Language language);

// The text with its one integer placeholder (%i or %d) filled in.
std::string TrFormat(Text id, Language language, int value);

}  // namespace qel
